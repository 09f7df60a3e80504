// kwsearch: the search window.
#include <QApplication>

#include "app/searchform.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kws::app::TsearchForm searchForm;
  searchForm.show();
  return app.exec();
}

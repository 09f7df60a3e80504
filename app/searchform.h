// The search window: pick a folder, tick file types, type keywords separated by commas, start a
// run; the hits fill the result grid, which can be saved to and loaded from a list file, and a
// double click opens a listed file.
//
// The worker runs on its own thread; every change it asks of the window comes through a blocking
// hand-over onto this window's thread (the worker waits, the window never does). Closing the
// window during a run asks the run to stop and closes once the worker has ended.
//
// List file: one line per grid row, the four cell texts joined by ",", CR LF after every line,
// UTF-8 without a byte-order mark. A field holding "," or a double quote is written in double
// quotes with inner quotes doubled, so a path with a comma survives a save and a load. The reader
// takes a byte-order mark (UTF-8, UTF-16), else UTF-8 when valid, else GB18030; lines with fewer
// than four fields are passed over, and each row is numbered by its line.
#pragma once

#include <QFileDialog>
#include <QMainWindow>

#include <atomic>
#include <functional>
#include <memory>

#include "app/mythread.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;
class QToolButton;
class QWidget;

namespace kws::app {

class TBusyIndicator;

// Runs work on the window's thread, waiting for it when called from another thread.
class TQtHandOver final : public THandOver {
 public:
  explicit TQtHandOver(QObject* windowObject) : target_(windowObject) {}
  void Run(const std::function<void()>& work) override;

 private:
  QObject* target_;
};

class TsearchForm : public QMainWindow, public TSearchView {
  Q_OBJECT
 public:
  explicit TsearchForm(QWidget* parent = nullptr);
  ~TsearchForm() override;

  // Handlers.
  void GobtnClick();
  void selectdirClick();
  void savelistClick();
  void loadlistClick();
  void sg1CellDblClick(int column, int row);
  void rb1Click();
  void rb2Click();
  void savedlgTypeChange(QFileDialog& dialog, const QString& filter);

  // Window changes asked for by the worker.
  void beginfinding();
  void endfinding() override;
  void addlist(const std::filesystem::path& filename) override;
  void showfilecounts(int32_t filecounts) override;
  void showfinishes(int32_t finishes) override;
  void showmessage(const std::u16string& text) override;

  // The list file.
  void WriteListFile(const QString& fileName) const;
  void ReadListFile(const QString& fileName);

  // Proposed name of a saved list for a search text.
  static QString ProposedListName(const QString& findtxt);
  // "1023 B", "1,00 KB" with the locale's decimal separator, ...
  static QString SizeText(uint64_t n, const QLocale& locale);
  // Last-write time in local time by the locale: short date, then long time unless midnight.
  static QString DateTimeText(const QDateTime& time, const QLocale& locale);

  bool running() const { return gobtnImage_ != 1; }
  const QString& lastdir() const { return lastdir_; }

  // Seams for tests and for the desktop; each defaults to the real thing.
  std::function<void(const QString&)> messageBox;         // modal information box
  std::function<bool(QFileDialog&)> execDialog;            // true when the user confirmed
  std::function<QString(const QString& start)> pickFolder; // empty when cancelled
  std::function<void(const QString&)> openFile;            // opens with the associated application

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void AppendRow(const QString& number, const QString& path, const QString& size, const QString& time);
  void SetGobtnImage(int image);
  void ApplyLook(const QString& resource);
  QString ListDialogFilter() const;

  QWidget* ToolBar1 = nullptr;
  QToolButton* Gobtn = nullptr;
  QWidget* Panel4 = nullptr;
  QToolButton* selectdir = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* pathedit = nullptr;
  QLabel* Label1 = nullptr;
  QWidget* GL1 = nullptr;
  std::vector<QCheckBox*> typeBoxes_;
  QCheckBox* onlylist = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* findtxtedit = nullptr;
  QToolButton* savelist = nullptr;
  QToolButton* loadlist = nullptr;
  QTableWidget* sg1 = nullptr;
  QLabel *Label4 = nullptr, *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
         *Label9 = nullptr;
  QRadioButton* rb1 = nullptr;
  QRadioButton* rb2 = nullptr;
  TBusyIndicator* Finding = nullptr;

  QIcon images_[5];
  int gobtnImage_ = 1;
  QString lastdir_;
  bool closeRequested_ = false;

  TFindText routines_;  // the PDF document and the other objects the routines keep
  std::atomic<bool> stopfind_{false};
  TQtHandOver handover_{this};
  std::unique_ptr<TMyThread> worker_;                   // the run under way
  std::vector<std::unique_ptr<TMyThread>> finished_;    // ended runs, joined from the event loop
};

}  // namespace kws::app

#include "app/searchform.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <tuple>

#include "app/busyindicator.h"
#include "app/findtext.h"
#include "app/hitrow.h"
#include "app/keywords.h"

// The icons and looks live in a static library: register them explicitly.
static void InitWindowResources() { Q_INIT_RESOURCE(kwsearch); }

namespace kws::app {
namespace {

std::u16string ToU16(const QString& s) { return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), s.size()); }
QString FromU16(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }
QString FromPath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }
std::filesystem::path ToPath(const QString& s) { return std::filesystem::path(s.toStdString()); }

const char* const kImageFiles[5] = {":/kwsearch/icons/opened_folder.svg", ":/kwsearch/icons/play_button.svg",
                                    ":/kwsearch/icons/stop_sign.svg", ":/kwsearch/icons/open_sign.svg",
                                    ":/kwsearch/icons/save_close.svg"};

// A label that ticks its check box when clicked, so a check box can carry a wrapped caption.
class TCheckCaption : public QLabel {
 public:
  TCheckCaption(const QString& text, QCheckBox* box, QWidget* parent) : QLabel(text, parent), box_(box) {
    setWordWrap(true);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && box_->isEnabled()) box_->toggle();
  }

 private:
  QCheckBox* box_;
};

QToolButton* MakeButton(QWidget* parent, const char* name, const QIcon& icon, const QString& hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setIcon(icon);
  b->setToolTip(hint);
  b->setAutoRaise(true);
  return b;
}

// A label above an edit, added to a row of the tool bar with the given stretch.
std::pair<QLabel*, QLineEdit*> AddLabelledEdit(QWidget* parent, QBoxLayout* row, const char* labelName,
                                               const QString& caption, const char* editName, int stretch) {
  auto* box = new QVBoxLayout;
  box->setSpacing(0);
  auto* label = new QLabel(caption, parent);
  label->setObjectName(labelName);
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(editName);
  box->addWidget(label);
  box->addWidget(edit);
  row->addLayout(box, stretch);
  return {label, edit};
}

}  // namespace

void TQtHandOver::Run(const std::function<void()>& work) {
  if (QThread::currentThread() == target_->thread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(target_, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

TsearchForm::TsearchForm(QWidget* parent) : QMainWindow(parent) {
  InitWindowResources();
  setObjectName("searchForm");
  setWindowTitle(QStringLiteral("在文件中查找文本"));
  for (int i = 0; i < 5; ++i) images_[i] = QIcon(kImageFiles[i]);
  messageBox = [this](const QString& text) {
    QMessageBox::information(this, windowTitle(), text);
  };
  execDialog = [](QFileDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
  pickFolder = [this](const QString& start) {
    return QFileDialog::getExistingDirectory(this, QStringLiteral("选择文件夹"), start);
  };
  openFile = [](const QString& file) { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); };
  BuildControls();
  ApplyLook(":/kwsearch/styles/dark.qss");
  resize(982, 577);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(982 / 2, 577 / 2));
  }
}

TsearchForm::~TsearchForm() {
  // The window can only go away idle (closeEvent waits for the worker); should it be destroyed
  // otherwise, stop the run and let the worker finish before the objects it uses are freed.
  if (worker_) {
    stopfind_ = true;
    while (worker_) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  finished_.clear();
}

void TsearchForm::BuildControls() {
  auto* central = new QWidget(this);
  central->setObjectName("client");
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  // Tool bar: Panel4 with every input control, the start button at the right.
  ToolBar1 = new QWidget(central);
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->setAttribute(Qt::WA_StyledBackground);
  ToolBar1->setFixedHeight(48);
  auto* bar = new QHBoxLayout(ToolBar1);
  bar->setContentsMargins(0, 0, 0, 0);
  bar->setSpacing(0);

  Panel4 = new QWidget(ToolBar1);
  Panel4->setObjectName("Panel4");
  auto* panel = new QHBoxLayout(Panel4);
  panel->setContentsMargins(0, 0, 4, 0);
  panel->setSpacing(6);

  selectdir = MakeButton(Panel4, "selectdir", images_[0], QStringLiteral("选择文件夹"));
  selectdir->setFixedSize(48, 48);
  selectdir->setIconSize(QSize(40, 40));
  panel->addWidget(selectdir);

  std::tie(Label3, pathedit) = AddLabelledEdit(Panel4, panel, "Label3", QStringLiteral("扫描路径"), "pathedit", 0);
  pathedit->setReadOnly(true);
  pathedit->setFixedWidth(120);
  pathedit->setFont(QFont("Arial", 16));

  auto* typesBox = new QWidget(Panel4);
  typesBox->setFixedWidth(395);
  auto* types = new QHBoxLayout(typesBox);
  types->setContentsMargins(0, 0, 0, 0);
  types->setSpacing(4);
  Label1 = new QLabel(QStringLiteral("选择文件类型"), typesBox);
  Label1->setObjectName("Label1");
  GL1 = new QWidget(typesBox);
  GL1->setObjectName("GL1");
  auto* grid = new QGridLayout(GL1);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  const struct {
    const char* name;
    const char* mask;
    bool ticked;
  } kTypes[] = {{"cb1", "*.doc", true},   {"cb2", "*.docx", true}, {"cb3", "*.wps", true},
                {"cb4", "*.xls", false},  {"cb5", "*.xlsx", false}, {"cb6", "*.pdf", false},
                {"cb51", "*.txt", false}, {"cb52", "*.pas", false}};
  const int perRow = 4;  // cells of 70 x 24, filled row by row
  for (int i = 0; i < 8; ++i) {
    auto* box = new QCheckBox(QString::fromLatin1(kTypes[i].mask), GL1);
    box->setObjectName(kTypes[i].name);
    box->setChecked(kTypes[i].ticked);
    box->setFixedSize(70, 24);
    grid->addWidget(box, i / perRow, i % perRow);
    typeBoxes_.push_back(box);
  }
  types->addWidget(Label1);
  types->addWidget(GL1);
  panel->addWidget(typesBox);

  auto* Panel5 = new QWidget(Panel4);
  Panel5->setObjectName("Panel5");
  Panel5->setFixedWidth(89);
  auto* p5 = new QHBoxLayout(Panel5);
  p5->setContentsMargins(0, 0, 0, 0);
  p5->setSpacing(2);
  onlylist = new QCheckBox(Panel5);
  onlylist->setObjectName("onlylist");
  auto* onlyCaption = new TCheckCaption(QStringLiteral("只搜索列表中的文件"), onlylist, Panel5);
  onlyCaption->setObjectName("onlylistCaption");
  p5->addWidget(onlylist);
  p5->addWidget(onlyCaption, 1);
  panel->addWidget(Panel5);

  std::tie(Label2, findtxtedit) =
      AddLabelledEdit(Panel4, panel, "Label2", QStringLiteral("要查找的文本，用逗号分隔"), "findtxtedit", 1);

  loadlist = MakeButton(Panel4, "loadlist", images_[3], QStringLiteral("调入列表"));
  loadlist->setText(QStringLiteral("调入列表"));
  savelist = MakeButton(Panel4, "savelist", images_[4], QStringLiteral("保存列表"));
  savelist->setText(QStringLiteral("保存列表"));
  for (QToolButton* b : {loadlist, savelist}) {
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setIconSize(QSize(28, 28));
    b->setFixedHeight(48);
    panel->addWidget(b);
  }
  bar->addWidget(Panel4, 1);

  Gobtn = MakeButton(ToolBar1, "Gobtn", images_[1], QStringLiteral("执行"));
  Gobtn->setFixedSize(48, 48);
  Gobtn->setIconSize(QSize(40, 40));
  bar->addWidget(Gobtn);
  outer->addWidget(ToolBar1);

  // Result grid.
  sg1 = new QTableWidget(0, 4, central);
  sg1->setObjectName("sg1");
  sg1->setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("包含文本的文件"),
                                  QStringLiteral("文件大小"), QStringLiteral("修改时间")});
  sg1->setAlternatingRowColors(true);
  sg1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sg1->setSelectionBehavior(QAbstractItemView::SelectRows);
  sg1->setShowGrid(true);
  sg1->verticalHeader()->setVisible(false);
  sg1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  sg1->setColumnWidth(0, 40);
  sg1->setColumnWidth(1, 450);
  sg1->setColumnWidth(3, 200);
  outer->addWidget(sg1, 1);
  setCentralWidget(central);

  // Status bar.
  auto* status = new QStatusBar(this);
  status->setObjectName("StatusBar1");
  status->setFixedHeight(32);
  status->setSizeGripEnabled(true);
  auto* line = new QWidget(status);
  auto* row = new QHBoxLayout(line);
  row->setContentsMargins(6, 0, 6, 0);
  row->setSpacing(6);
  const auto makeLabel = [line](const char* name, const QString& text) {
    auto* l = new QLabel(text, line);
    l->setObjectName(name);
    return l;
  };
  Label6 = makeLabel("Label6", QStringLiteral("共找到符合类型的文件数"));
  Label7 = makeLabel("Label7", QString());
  Label8 = makeLabel("Label8", QStringLiteral("已搜索文件数"));
  Label9 = makeLabel("Label9", QString());
  Label4 = makeLabel("Label4", QStringLiteral("包含查找文本的文件数"));
  Label5 = makeLabel("Label5", QString());
  for (QLabel* value : {Label7, Label9, Label5}) value->setMinimumWidth(60);
  for (QLabel* l : {Label6, Label7, Label8, Label9, Label4, Label5}) row->addWidget(l);
  row->addStretch(1);
  rb1 = new QRadioButton(QStringLiteral("暗"), line);
  rb1->setObjectName("rb1");
  rb1->setChecked(true);
  rb2 = new QRadioButton(QStringLiteral("亮"), line);
  rb2->setObjectName("rb2");
  row->addWidget(rb1);
  row->addWidget(rb2);
  Finding = new TBusyIndicator(line);
  Finding->setObjectName("Finding");
  Finding->setFixedSize(24, 24);
  Finding->setVisible(false);
  row->addWidget(Finding);
  status->addWidget(line, 1);
  setStatusBar(status);

  connect(Gobtn, &QToolButton::clicked, this, [this] { GobtnClick(); });
  connect(selectdir, &QToolButton::clicked, this, [this] { selectdirClick(); });
  connect(savelist, &QToolButton::clicked, this, [this] { savelistClick(); });
  connect(loadlist, &QToolButton::clicked, this, [this] { loadlistClick(); });
  connect(sg1, &QTableWidget::cellDoubleClicked, this, [this](int r, int c) { sg1CellDblClick(c, r); });
  connect(rb1, &QRadioButton::clicked, this, [this] { rb1Click(); });
  connect(rb2, &QRadioButton::clicked, this, [this] { rb2Click(); });
}

void TsearchForm::ApplyLook(const QString& resource) {
  QFile f(resource);
  if (f.open(QIODevice::ReadOnly)) setStyleSheet(QString::fromUtf8(f.readAll()));
}

void TsearchForm::rb1Click() { ApplyLook(":/kwsearch/styles/dark.qss"); }
void TsearchForm::rb2Click() { ApplyLook(":/kwsearch/styles/light.qss"); }

void TsearchForm::SetGobtnImage(int image) {
  gobtnImage_ = image;
  Gobtn->setIcon(images_[image]);
}

void TsearchForm::GobtnClick() {
  if (gobtnImage_ != 1) {  // a run is under way: this is the stop button
    stopfind_ = true;
    return;
  }
  bool anyTicked = false;
  for (QCheckBox* box : typeBoxes_) anyTicked = anyTicked || box->isChecked();
  if (!anyTicked) {
    messageBox(QStringLiteral("没有勾选文件类型！"));
    return;
  }
  const QString findtxt = findtxtedit->text();
  if (QString(findtxt).remove(QLatin1Char(' ')).isEmpty()) {
    messageBox(QStringLiteral("没有输入要查找的文本！"));
    return;
  }
  std::unique_ptr<TFileList> list;
  std::string masks;
  if (onlylist->isChecked()) {
    if (sg1->rowCount() == 0) return;
    list = std::make_unique<TFileList>();
    for (int r = 0; r < sg1->rowCount(); ++r) {
      const QTableWidgetItem* item = sg1->item(r, 1);
      list->push_back(ToPath(item ? item->text() : QString()));
    }
  } else {
    if (pathedit->text().isEmpty()) return;
    QStringList ticked;
    for (QCheckBox* box : typeBoxes_)
      if (box->isChecked()) ticked << box->text();
    masks = ticked.join(QLatin1Char(',')).toStdString();
  }
  sg1->setRowCount(0);
  beginfinding();
  stopfind_ = false;
  const std::filesystem::path folder = list ? std::filesystem::path() : ToPath(pathedit->text());
  worker_ = std::make_unique<TMyThread>(std::move(list), folder, masks, ToU16(findtxt), routines_, handover_, *this,
                                        stopfind_);
  worker_->Start();
}

void TsearchForm::beginfinding() {
  Label5->setText("0");
  Label7->setText("0");
  Label9->setText("0");
  Panel4->setEnabled(false);
  SetGobtnImage(2);
  Gobtn->setToolTip(QStringLiteral("停止"));
  Finding->setVisible(true);
  Finding->setRunning(true);
}

void TsearchForm::endfinding() {
  setUpdatesEnabled(false);
  Finding->setRunning(false);
  Panel4->setEnabled(true);
  SetGobtnImage(1);
  Gobtn->setToolTip(QStringLiteral("开始"));
  Finding->setVisible(false);
  setUpdatesEnabled(true);
  // The worker is still inside this hand-over; its thread ends right after it. It is joined from
  // the event loop (a new run may have started by then: it is a different object), then a close
  // that waited for the run goes ahead.
  finished_.push_back(std::move(worker_));
  QTimer::singleShot(0, this, [this] {
    finished_.clear();
    if (closeRequested_) close();
  });
}

void TsearchForm::showfilecounts(int32_t filecounts) { Label7->setText(QString::number(filecounts)); }
void TsearchForm::showfinishes(int32_t finishes) { Label9->setText(QString::number(finishes)); }
void TsearchForm::showmessage(const std::u16string& text) { messageBox(FromU16(text)); }

QString TsearchForm::SizeText(uint64_t n, const QLocale& locale) {
  const QString point = locale.decimalPoint();
  return QString::fromStdString(FileSizeText(n, point.size() == 1 && point[0].unicode() < 0x80 ? char(point[0].unicode()) : '.'))
      .replace(QLatin1Char('.'), point);
}

QString TsearchForm::DateTimeText(const QDateTime& time, const QLocale& locale) {
  if (!time.isValid()) return QString();
  const QDateTime local = time.toLocalTime();
  QString text = locale.toString(local.date(), locale.dateFormat(QLocale::ShortFormat));
  if (local.time() != QTime(0, 0)) {
    // The long time form without the time-zone name.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format = format.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b\\s*"))).trimmed();
    text += QLatin1Char(' ') + locale.toString(local.time(), format);
  }
  return text;
}

void TsearchForm::AppendRow(const QString& number, const QString& path, const QString& size, const QString& time) {
  const int row = sg1->rowCount();
  sg1->setRowCount(row + 1);
  auto* numberItem = new QTableWidgetItem(number);
  numberItem->setTextAlignment(Qt::AlignCenter);
  sg1->setItem(row, 0, numberItem);
  sg1->setItem(row, 1, new QTableWidgetItem(path));
  sg1->setItem(row, 2, new QTableWidgetItem(size));
  auto* timeItem = new QTableWidgetItem(time);
  timeItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  sg1->setItem(row, 3, timeItem);
}

void TsearchForm::addlist(const std::filesystem::path& filename) {
  const QString path = FromPath(filename);
  const QLocale locale = QLocale::system();
  const int rows = sg1->rowCount() + 1;
  AppendRow(QString::number(rows), path, SizeText(HitFileSize(filename), locale),
            DateTimeText(QFileInfo(path).lastModified(), locale));
  Label5->setText(QString::number(rows));
}

void TsearchForm::selectdirClick() {
  const QString dir = pickFolder(lastdir_);
  if (dir.isEmpty()) return;
  pathedit->setText(dir);
  lastdir_ = dir;
}

QString TsearchForm::ProposedListName(const QString& findtxt) {
  return QStringLiteral("包含") + QString(findtxt).replace(QLatin1Char(','), QLatin1Char('_')) +
         QStringLiteral("的文件列表.TXT");
}

QString TsearchForm::ListDialogFilter() const {
  return QStringLiteral("TXT文本文件 (*.TXT);;CSV文件 (*.CSV)");
}

void TsearchForm::savedlgTypeChange(QFileDialog& dialog, const QString& filter) {
  const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\((\\*[^)]*)\\)")).match(filter);
  if (!m.hasMatch()) return;
  const QString ext = m.captured(1).mid(1);  // "*.CSV" -> ".CSV"
  const QString current = dialog.selectedFiles().value(0);
  dialog.selectFile(QFileInfo(current).completeBaseName() + ext);
}

void TsearchForm::savelistClick() {
  if (sg1->rowCount() == 0) {
    messageBox(QStringLiteral("没有可保存的列表"));
    return;
  }
  QFileDialog dialog(this);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(ListDialogFilter().split(";;"));
  dialog.selectNameFilter(dialog.nameFilters().value(0));
  dialog.setDefaultSuffix("TXT");
  dialog.selectFile(ProposedListName(findtxtedit->text()));
  connect(&dialog, &QFileDialog::filterSelected, this,
          [this, &dialog](const QString& filter) { savedlgTypeChange(dialog, filter); });
  if (!execDialog(dialog)) return;
  const QString target = dialog.selectedFiles().value(0);
  if (!target.isEmpty()) WriteListFile(target);
}

void TsearchForm::loadlistClick() {
  QFileDialog dialog(this);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(ListDialogFilter().split(";;"));
  dialog.selectNameFilter(dialog.nameFilters().value(0));
  dialog.setDefaultSuffix("TXT");
  if (!execDialog(dialog)) return;
  const QString source = dialog.selectedFiles().value(0);
  if (!source.isEmpty() && QFileInfo(source).isFile()) ReadListFile(source);
}

void TsearchForm::WriteListFile(const QString& fileName) const {
  QString text;
  for (int r = 0; r < sg1->rowCount(); ++r) {
    for (int c = 0; c < 4; ++c) {
      if (c > 0) text += QLatin1Char(',');
      const QTableWidgetItem* item = sg1->item(r, c);
      text += FromU16(QuoteCommaField(ToU16(item ? item->text() : QString())));
    }
    text += QStringLiteral("\r\n");
  }
  QFile f(fileName);
  const QByteArray bytes = text.toUtf8();
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
    QMessageBox::warning(const_cast<TsearchForm*>(this), windowTitle(), f.errorString());
  }
}

void TsearchForm::ReadListFile(const QString& fileName) {
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly)) {
    QMessageBox::warning(this, windowTitle(), f.errorString());
    return;
  }
  const QByteArray bytes = f.readAll();
  const std::u16string text = DecodeText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  sg1->setRowCount(0);
  sg1->setUpdatesEnabled(false);
  // Lines end at CR LF, LF or CR; a last line without its end still counts.
  size_t start = 0;
  int k = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = text.size();
    ++k;
    const std::vector<std::u16string> fields = SplitCommaText(std::u16string_view(text).substr(start, end - start));
    if (fields.size() >= 4)
      AppendRow(QString::number(k), FromU16(fields[1]), FromU16(fields[2]), FromU16(fields[3]));
    if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
    start = end + 1;
  }
  sg1->setUpdatesEnabled(true);
}

void TsearchForm::sg1CellDblClick(int, int row) {
  if (row < 0 || row >= sg1->rowCount()) return;
  const QTableWidgetItem* item = sg1->item(row, 1);
  if (!item) return;
  const QFileInfo info(item->text());
  if (info.exists() && info.isFile()) openFile(info.absoluteFilePath());
}

void TsearchForm::closeEvent(QCloseEvent* event) {
  if (worker_) {
    // Ask the run to stop and close once the worker has handed back the idle state.
    stopfind_ = true;
    closeRequested_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace kws::app

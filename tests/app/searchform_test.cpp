// The search window driven offscreen: input messages, a run over a generated folder, stopping,
// closing during a run, the list file and the proposed names.
#include "app/searchform.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "tests/support/tempdir.h"

using kws::app::TsearchForm;

class SearchFormTest : public QObject {
  Q_OBJECT

 private:
  struct Window {
    TsearchForm form;
    QStringList messages;
    Window() {
      form.messageBox = [this](const QString& m) { messages << m; };
    }
    template <class T>
    T* get(const char* name) {
      T* w = form.findChild<T*>(name);
      if (!w) qFatal("no control %s", name);
      return w;
    }
    QString text(const char* label) { return get<QLabel>(label)->text(); }
    void setFolder(const QString& folder) { get<QLineEdit>("pathedit")->setText(folder); }
    void setFindText(const QString& t) { get<QLineEdit>("findtxtedit")->setText(t); }
    void tickOnly(const char* box) {
      for (const char* n : {"cb1", "cb2", "cb3", "cb4", "cb5", "cb6", "cb51", "cb52"})
        get<QCheckBox>(n)->setChecked(QByteArray(n) == box);
    }
    void clickGo() { get<QToolButton>("Gobtn")->click(); }
    QTableWidget* grid() { return get<QTableWidget>("sg1"); }
    QString cell(int r, int c) { return grid()->item(r, c) ? grid()->item(r, c)->text() : QString("<none>"); }
    bool idle() { return !form.running() && get<QWidget>("Panel4")->isEnabled(); }
  };

  static QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

 private slots:
  void Window_StartState() {
    Window w;
    QCOMPARE(w.form.windowTitle(), QStringLiteral("在文件中查找文本"));
    QCOMPARE(w.form.size(), QSize(982, 577));
    QCOMPARE(w.get<QToolButton>("Gobtn")->toolTip(), QStringLiteral("执行"));
    QVERIFY(w.get<QCheckBox>("cb1")->isChecked() && w.get<QCheckBox>("cb2")->isChecked() &&
            w.get<QCheckBox>("cb3")->isChecked());
    QVERIFY(!w.get<QCheckBox>("cb4")->isChecked() && !w.get<QCheckBox>("cb52")->isChecked());
    QCOMPARE(w.get<QCheckBox>("cb51")->text(), QStringLiteral("*.txt"));
    QVERIFY(!w.get<QCheckBox>("onlylist")->isChecked());
    QCOMPARE(w.get<QLabel>("onlylistCaption")->text(), QStringLiteral("只搜索列表中的文件"));
    QVERIFY(w.get<QLineEdit>("pathedit")->isReadOnly());
    QCOMPARE(w.grid()->rowCount(), 0);
    QCOMPARE(w.grid()->horizontalHeaderItem(1)->text(), QStringLiteral("包含文本的文件"));
    QCOMPARE(w.text("Label6"), QStringLiteral("共找到符合类型的文件数"));
    QCOMPARE(w.text("Label7"), QString());
    QVERIFY(w.get<QWidget>("rb1")->property("checked").toBool());
    QVERIFY(!w.get<QWidget>("Finding")->isVisibleTo(&w.form));
  }

  void GobtnClick_InputMessages() {
    kws::test::TempDir dir;
    Window w;
    w.setFolder(Q(dir.path()));
    w.tickOnly("");
    w.setFindText("x");
    w.clickGo();
    QCOMPARE(w.messages, QStringList{QStringLiteral("没有勾选文件类型！")});
    w.tickOnly("cb51");
    w.setFindText("   ");
    w.clickGo();
    QCOMPARE(w.messages.value(1), QStringLiteral("没有输入要查找的文本！"));
    QVERIFY(w.idle());
    // Nothing happens without a folder, or with "only listed files" and an empty grid.
    w.setFindText("x");
    w.setFolder("");
    w.clickGo();
    w.get<QCheckBox>("onlylist")->setChecked(true);
    w.clickGo();
    QCOMPARE(w.messages.size(), 2);
    QVERIFY(w.idle());
    QCOMPARE(w.text("Label7"), QString());
  }

  void GobtnClick_RunFillsGridAndReturnsIdle() {
    kws::test::TempDir dir;
    dir.Write("a.txt", "alpha");
    dir.Write("sub/b.txt", std::string(1024, 'b') + "beta");
    dir.Write("c.txt", "nothing");
    dir.Write("d.pas", "alpha");  // *.pas is not ticked
    Window w;
    w.setFolder(Q(dir.path()));
    w.tickOnly("cb51");
    w.setFindText("alpha, beta");
    w.clickGo();
    QVERIFY(w.form.running());
    QVERIFY(!w.get<QWidget>("Panel4")->isEnabled());
    QCOMPARE(w.get<QToolButton>("Gobtn")->toolTip(), QStringLiteral("停止"));
    QTRY_VERIFY(w.idle());
    QCOMPARE(w.text("Label7"), QString("3"));
    QCOMPARE(w.text("Label9"), QString("3"));
    QCOMPARE(w.text("Label5"), QString("2"));
    QCOMPARE(w.get<QToolButton>("Gobtn")->toolTip(), QStringLiteral("开始"));
    QVERIFY(!w.get<QWidget>("Finding")->isVisibleTo(&w.form));
    QCOMPARE(w.grid()->rowCount(), 2);
    QStringList paths{w.cell(0, 1), w.cell(1, 1)};
    paths.sort();
    QCOMPARE(paths, (QStringList{Q(dir.path() / "a.txt"), Q(dir.path() / "sub/b.txt")}));
    const int bRow = w.cell(0, 1).endsWith("b.txt") ? 0 : 1;
    QCOMPARE(w.cell(0, 0), QString("1"));
    QCOMPARE(w.cell(1, 0), QString("2"));
    QCOMPARE(w.cell(1 - bRow, 2), QString("5 B"));
    QCOMPARE(w.cell(bRow, 2), QString("1") + QLocale::system().decimalPoint() + "00 KB");
    QVERIFY(!w.cell(0, 3).isEmpty());
  }

  void GobtnClick_OnlyListedFiles() {
    kws::test::TempDir dir;
    const auto a = dir.Write("a.txt", "key");
    dir.Write("b.txt", "key");  // not in the list
    const auto listFile = dir.Write("list.txt", "1," + a.string() + ",5 B,x\r\n");
    Window w;
    w.form.ReadListFile(Q(listFile));
    w.get<QCheckBox>("onlylist")->setChecked(true);
    w.setFindText("key");
    w.clickGo();
    QTRY_VERIFY(w.idle());
    QCOMPARE(w.text("Label7"), QString("1"));
    QCOMPARE(w.grid()->rowCount(), 1);
    QCOMPARE(w.cell(0, 1), Q(a));
  }

  void GobtnClick_SecondClickStops() {
    kws::test::TempDir dir;
    for (int i = 0; i < 50; ++i) dir.Write("f" + std::to_string(i) + ".txt", "hit");
    Window w;
    w.setFolder(Q(dir.path()));
    w.tickOnly("cb51");
    w.setFindText("hit");
    w.clickGo();
    // The worker waits for the window to take its first hand-over, so the stop set now is read
    // after the first file.
    w.clickGo();
    QTRY_VERIFY(w.idle());
    QCOMPARE(w.text("Label7"), QString("50"));
    QCOMPARE(w.text("Label9"), QString("1"));
    QCOMPARE(w.grid()->rowCount(), 1);
  }

  void GobtnClick_RunsBackToBack() {
    kws::test::TempDir dir;
    dir.Write("a.txt", "hit");
    Window w;
    w.setFolder(Q(dir.path()));
    w.tickOnly("cb51");
    w.setFindText("hit");
    for (int run = 0; run < 5; ++run) {
      w.clickGo();
      // Start the next run as soon as the window is idle, before the ended worker is joined.
      while (w.form.running()) QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    QTRY_VERIFY(w.idle());
    QCOMPARE(w.grid()->rowCount(), 1);
    QCOMPARE(w.text("Label5"), QString("1"));
  }

  void closeEvent_DuringRunClosesAfterWorker() {
    kws::test::TempDir dir;
    for (int i = 0; i < 20; ++i) dir.Write("f" + std::to_string(i) + ".txt", "hit");
    Window w;
    w.form.show();
    w.setFolder(Q(dir.path()));
    w.tickOnly("cb51");
    w.setFindText("hit");
    w.clickGo();
    QVERIFY(!w.form.close());
    QVERIFY(w.form.isVisible());
    QTRY_VERIFY(!w.form.isVisible());
    QVERIFY(w.idle());
    QCOMPARE(w.text("Label9"), QString("1"));
  }

  void ListFile_RoundTripWithCommaAndQuote() {
    kws::test::TempDir dir;
    const auto odd = dir.Write("a,b \"q\".txt", "key");
    const auto plain = dir.Write("中文.txt", "key");
    Window w;
    w.setFolder(Q(dir.path()));
    w.tickOnly("cb51");
    w.setFindText("key");
    w.clickGo();
    QTRY_VERIFY(w.idle());
    QCOMPARE(w.grid()->rowCount(), 2);
    QStringList before;
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 4; ++c) before << w.cell(r, c);

    const QString saved = Q(dir.path() / "list.TXT");
    w.form.WriteListFile(saved);
    const std::string bytes = kws::test::ReadFileBytes(saved.toStdString());
    QVERIFY(bytes.substr(0, 3) != "\xEF\xBB\xBF");
    QCOMPARE(std::count(bytes.begin(), bytes.end(), '\n'), 2);
    QVERIFY(bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n");
    QVERIFY(bytes.find("\"" + odd.string().substr(0, odd.string().find('"')) + "\"\"q\"\".txt\"") != std::string::npos);
    QVERIFY(bytes.find(plain.string()) != std::string::npos);

    w.grid()->setRowCount(0);
    w.form.ReadListFile(saved);
    QStringList after;
    for (int r = 0; r < w.grid()->rowCount(); ++r)
      for (int c = 0; c < 4; ++c) after << w.cell(r, c);
    QCOMPARE(after, before);
  }

  void ListFile_ReaderPassesShortLines() {
    kws::test::TempDir dir;
    Window w;
    // The second line has only three fields; rows keep the numbers of their lines.
    const auto file = dir.Write("l.txt", "9,/x/a.txt,1 B,d1\r\n9,/x/b.txt,2 B\r\n9,/x/c.txt,3 B,d3,extra\n");
    w.form.ReadListFile(Q(file));
    QCOMPARE(w.grid()->rowCount(), 2);
    QCOMPARE(w.cell(0, 0), QString("1"));
    QCOMPARE(w.cell(1, 0), QString("3"));
    QCOMPARE(w.cell(1, 1), QString("/x/c.txt"));
    QCOMPARE(w.cell(1, 3), QString("d3"));
    // UTF-16 with a byte-order mark and GB18030 without one are read too.
    std::string u16 = "\xFF\xFE";
    for (char16_t c : std::u16string(u"1,/路径/a.txt,1 B,t\r\n")) {
      u16 += static_cast<char>(c & 0xFF);
      u16 += static_cast<char>(c >> 8);
    }
    w.form.ReadListFile(Q(dir.Write("u16.txt", u16)));
    QCOMPARE(w.cell(0, 1), QStringLiteral("/路径/a.txt"));
    w.form.ReadListFile(Q(dir.Write("gb.txt", "1,/\xD6\xD0\xCE\xC4.txt,1 B,t\r\n")));
    QCOMPARE(w.cell(0, 1), QStringLiteral("/中文.txt"));
  }

  void savelistClick_ProposedNamesAndTypeChange() {
    kws::test::TempDir dir;
    Window w;
    w.get<QToolButton>("savelist")->click();
    QCOMPARE(w.messages, QStringList{QStringLiteral("没有可保存的列表")});

    const auto file = dir.Write("l.txt", "1,/x/a.txt,1 B,d\r\n");
    w.form.ReadListFile(Q(file));
    w.setFindText("报告,summary");
    QCOMPARE(TsearchForm::ProposedListName("a,b"), QStringLiteral("包含a_b的文件列表.TXT"));
    QString proposed, afterCsv;
    QStringList filters;
    const QString target = Q(dir.path() / "out.CSV");
    w.form.execDialog = [&](QFileDialog& d) {
      filters = d.nameFilters();
      proposed = QFileInfo(d.selectedFiles().value(0)).fileName();
      d.selectNameFilter(filters.value(1));
      emit d.filterSelected(filters.value(1));
      afterCsv = QFileInfo(d.selectedFiles().value(0)).fileName();
      d.selectFile(target);
      return true;
    };
    w.get<QToolButton>("savelist")->click();
    QCOMPARE(filters, (QStringList{QStringLiteral("TXT文本文件 (*.TXT)"), QStringLiteral("CSV文件 (*.CSV)")}));
    QCOMPARE(proposed, QStringLiteral("包含报告_summary的文件列表.TXT"));
    QCOMPARE(afterCsv, QStringLiteral("包含报告_summary的文件列表.CSV"));
    QCOMPARE(QString::fromStdString(kws::test::ReadFileBytes(target.toStdString())), QString("1,/x/a.txt,1 B,d\r\n"));

    // Loading through the dialog.
    w.grid()->setRowCount(0);
    w.form.execDialog = [&](QFileDialog& d) {
      d.selectFile(Q(file));
      return true;
    };
    w.get<QToolButton>("loadlist")->click();
    QCOMPARE(w.grid()->rowCount(), 1);
  }

  void SizeText_Ranges() {
    const QLocale c(QLocale::C), de(QLocale::German);
    QCOMPARE(TsearchForm::SizeText(0, c), QString("0 B"));
    QCOMPARE(TsearchForm::SizeText(1023, c), QString("1023 B"));
    QCOMPARE(TsearchForm::SizeText(1024, c), QString("1.00 KB"));
    QCOMPARE(TsearchForm::SizeText(1024, de), QString("1,00 KB"));
    QCOMPARE(TsearchForm::SizeText(1048576, c), QString("1.00 MB"));
    QCOMPARE(TsearchForm::SizeText(1073741823, c), QString("1024.00 MB"));
    QCOMPARE(TsearchForm::SizeText(4294967296ull + 100, c), QString("4.00 GB"));
  }

  void DateTimeText_MidnightHasNoTime() {
    const QLocale c(QLocale::C);
    const QDateTime midnight(QDate(2024, 3, 5), QTime(0, 0), Qt::LocalTime);
    const QDateTime later(QDate(2024, 3, 5), QTime(13, 4, 5), Qt::LocalTime);
    const QString d = TsearchForm::DateTimeText(midnight, c);
    QCOMPARE(d, c.toString(QDate(2024, 3, 5), c.dateFormat(QLocale::ShortFormat)));
    QVERIFY(TsearchForm::DateTimeText(later, c).startsWith(d + " "));
    QVERIFY(TsearchForm::DateTimeText(later, c).contains("13:04:05"));
    QCOMPARE(TsearchForm::DateTimeText(QDateTime(), c), QString());
  }

  void sg1CellDblClick_OpensOnlyExistingFiles() {
    kws::test::TempDir dir;
    const auto a = dir.Write("a.txt", "x");
    const auto list = dir.Write("l.txt", "1," + a.string() + ",1 B,d\r\n2," + (dir.path() / "gone.txt").string() +
                                             ",1 B,d\r\n3," + dir.path().string() + ",1 B,d\r\n");
    Window w;
    QStringList opened;
    w.form.openFile = [&](const QString& f) { opened << f; };
    w.form.ReadListFile(Q(list));
    for (int r = 0; r < 3; ++r) w.form.sg1CellDblClick(0, r);
    QCOMPARE(opened, QStringList{Q(a)});
  }

  void selectdirClick_RemembersFolder() {
    Window w;
    QString start = "unset";
    w.form.pickFolder = [&](const QString& s) {
      start = s;
      return QString("/tmp");
    };
    w.get<QToolButton>("selectdir")->click();
    QCOMPARE(start, QString());
    QCOMPARE(w.get<QLineEdit>("pathedit")->text(), QString("/tmp"));
    w.form.pickFolder = [&](const QString& s) {
      start = s;
      return QString();
    };
    w.get<QToolButton>("selectdir")->click();
    QCOMPARE(start, QString("/tmp"));
    QCOMPARE(w.get<QLineEdit>("pathedit")->text(), QString("/tmp"));
  }

  void rbClick_SwitchesLooks() {
    Window w;
    const QString dark = w.form.styleSheet();
    QVERIFY(!dark.isEmpty());
    w.get<QWidget>("rb2")->metaObject()->invokeMethod(w.get<QWidget>("rb2"), "click");
    QVERIFY(w.form.styleSheet() != dark);
    w.get<QWidget>("rb1")->metaObject()->invokeMethod(w.get<QWidget>("rb1"), "click");
    QCOMPARE(w.form.styleSheet(), dark);
  }
};

QTEST_MAIN(SearchFormTest)
#include "searchform_test.moc"

// The address box: whatever it shows when the refresh button is clicked,
// however the text got there, is what the list request asks for and what
// the history remembers, byte for byte.

#include "Cp932.h"
#include "Requests.h"
#include "SampleServerProcess.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QtTest>

namespace {

QByteArray bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::vector<std::string> strings(const QByteArrayList& list)
{
    std::vector<std::string> out;
    for (const QByteArray& item : list)
        out.push_back(item.toStdString());
    return out;
}

const QByteArray kOther = "http://other.example/people-l.html?area=1";
const QByteArray kSecond = "http://second.example/people-l.html";
// 0xFD is no character of code page 932: it is shown as U+FFFD, which
// converts back to "?".
const QByteArray kUnconvertible = "http://other.example/people-l.html?name=\xFD";

} // namespace

class TestAddressBox : public QObject {
    Q_OBJECT

private slots:
    void requestedAsShown_data();
    void requestedAsShown();
};

void TestAddressBox::requestedAsShown_data()
{
    QTest::addColumn<QByteArrayList>("history");
    QTest::addColumn<QString>("typed");    // typed over the whole text
    QTest::addColumn<QString>("keys");     // pressed after that
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<int>("pick");         // row picked from the drop-down list
    QTest::addColumn<QByteArray>("requested");
    QTest::addColumn<QByteArrayList>("remembered");

    QTest::newRow("typed prefix completed from the history")
        << QByteArrayList{kOther, kSecond} << "http://oth" << "" << "" << -1 << kOther << QByteArrayList{kOther, kSecond};
    QTest::newRow("completion keeps its item's own bytes")
        << QByteArrayList{kUnconvertible} << "http://oth" << "" << "" << -1 << kUnconvertible << QByteArrayList{kUnconvertible};
    QTest::newRow("completion rubbed out leaves the typed text")
        << QByteArrayList{kOther} << "http://oth" << "Del" << "" << -1 << QByteArray("http://oth")
        << QByteArrayList{"http://oth", kOther};
    QTest::newRow("typed address new to the history")
        << QByteArrayList{kOther} << "http://new.example/people-l.html" << "" << "" << -1
        << QByteArray("http://new.example/people-l.html") << QByteArrayList{"http://new.example/people-l.html", kOther};
    QTest::newRow("typed address differing only in letter case")
        << QByteArrayList{kSecond} << "HTTP://SECOND.EXAMPLE/PEOPLE-L.HTML" << "" << "" << -1
        << QByteArray("HTTP://SECOND.EXAMPLE/PEOPLE-L.HTML") << QByteArrayList{kSecond};
    QTest::newRow("completed text moved on with the Down key")
        << QByteArrayList{"http://a.example/1", "http://a.example/2"} << "http://a" << "Down" << "" << -1
        << QByteArray("http://a.example/2") << QByteArrayList{"http://a.example/1", "http://a.example/2"};
    QTest::newRow("pasted over the text")
        << QByteArrayList{kOther} << "" << "Ctrl+A, Ctrl+V" << "http://pasted.example/people-l.html" << -1
        << QByteArray("http://pasted.example/people-l.html") << QByteArrayList{"http://pasted.example/people-l.html", kOther};
    QTest::newRow("picked from the drop-down list")
        << QByteArrayList{kOther, kUnconvertible} << "" << "" << "" << 1 << kUnconvertible
        << QByteArrayList{kOther, kUnconvertible};
}

void TestAddressBox::requestedAsShown()
{
    QFETCH(QByteArrayList, history);
    QFETCH(QString, typed);
    QFETCH(QString, keys);
    QFETCH(QString, clipboard);
    QFETCH(int, pick);
    QFETCH(QByteArray, requested);
    QFETCH(QByteArrayList, remembered);

    WindowFixture files;
    QByteArray ini = "[URLLIST]\r\n";
    for (qsizetype i = 0; i < history.size(); ++i)
        ini += "URL" + QByteArray::number(i) + "=" + history[i] + "\r\n";
    files.write("quorrix.INI", ini.toStdString());
    SampleServerProcess server;
    TWebPhoneForm form;
    form.ProxyUse->setChecked(true);
    form.ProxyAddr->setText(QStringLiteral("127.0.0.1"));
    form.ProxyPort->setText(QString::number(server.port()));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    QLineEdit* edit = form.AddrList->lineEdit();
    QTest::mouseClick(edit, Qt::LeftButton);
    QTRY_VERIFY(edit->hasFocus());
    if (!typed.isEmpty()) {
        QTest::keySequence(edit, QKeySequence::SelectAll);
        QTest::keyClicks(edit, typed);
    }
    if (!clipboard.isEmpty())
        QGuiApplication::clipboard()->setText(clipboard);
    if (!keys.isEmpty())
        QTest::keySequence(edit, QKeySequence(keys));
    if (pick >= 0) {
        form.AddrList->showPopup();
        QAbstractItemView* view = form.AddrList->view();
        QTRY_VERIFY(view->isVisible());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(pick, 0)).center());
        QTRY_VERIFY(!view->isVisible());
    }

    const QString shown = edit->text();
    QCOMPARE(shown, qx::ToUnicode(requested.toStdString()));
    QTest::mouseClick(form.ToolButton9, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(server.recorded().size(), 1, 20000);
    QCOMPARE(server.recorded().first(), bytes(qx::BuildListRequest(requested.toStdString(), true)));
    QCOMPARE(form.AddrList->Items(), strings(remembered));
    QCOMPARE(edit->text(), shown);
}

QTEST_MAIN(TestAddressBox)
#include "tst_addressbox.moc"

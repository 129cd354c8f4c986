// What a screen reader reads in both windows: every label, caption and hint
// under its visible text, and the status panels under their current text,
// with each change announced.

#include "TAboutForm.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QAccessible>
#include <QTcpServer>
#include <QtTest>

// Qt hands accessibility events on only while the platform says a screen
// reader listens, which the offscreen platform never does by itself; its
// switch is in Qt's platform interface.
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

namespace {

void switchOnPlatformAccessibility()
{
    if (QPlatformIntegration* integration = QGuiApplicationPrivate::platform_integration)
        integration->accessibility()->setActive(true);
}

struct Announcement {
    QObject* object;
    QString name;
};

QList<Announcement>& announcements()
{
    static QList<Announcement> list;
    return list;
}

// Records the name changes announced, with the name read at that moment.
void recordAnnouncement(QAccessibleEvent* event)
{
    if (event->type() != QAccessible::NameChanged)
        return;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(event->object());
    announcements().append({event->object(), iface ? iface->text(QAccessible::Name) : QString()});
}

QString nameOf(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

// The status panels as the status bar's accessible children show them.
QList<QAccessibleInterface*> panels(TWebPhoneForm& form)
{
    QList<QAccessibleInterface*> found;
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(form.Sb);
    for (int i = 0; i < bar->childCount(); ++i) {
        if (bar->child(i)->role() == QAccessible::StaticText)
            found.append(bar->child(i));
    }
    return found;
}

// Every label, caption, check box, button and hinted tool button of the
// window: its accessible name against the text it shows.
void compareNamesWithVisibleTexts(QWidget& window)
{
    int compared = 0;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(widget))
            shown = label->text();
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            shown = group->title();
        else if (auto* tool = qobject_cast<QToolButton*>(widget); tool && !tool->toolTip().isEmpty())
            shown = tool->toolTip();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget); button && !qobject_cast<QToolButton*>(widget))
            shown = button->text();
        else
            continue;
        if (widget->window() != &window) // a popup menu of its own
            continue;
        QCOMPARE(nameOf(widget), shown);
        ++compared;
    }
    QVERIFY(compared > 0);
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        switchOnPlatformAccessibility();
        QVERIFY(QAccessible::isActive());
    }
    void init()
    {
        announcements().clear();
        QAccessible::installUpdateHandler(recordAnnouncement);
    }
    void cleanup() { QAccessible::installUpdateHandler(nullptr); }

    void mainWindowNamesAreVisibleTexts();
    void columnHeadersNamedByTheirCaptions();
    void aboutBoxNamesAreVisibleTexts_data();
    void aboutBoxNamesAreVisibleTexts();
    void panelNamedByItsText_data();
    void panelNamedByItsText();
    void refusedRefreshAnnouncesError();
};

void TestAccessibility::mainWindowNamesAreVisibleTexts()
{
    WindowFixture files;
    TWebPhoneForm form;
    form.show();
    form.Sb->SetPanelText(0, "685");
    form.Sb->SetPanelText(2, "Error(ErrorCode=10061)");
    compareNamesWithVisibleTexts(form);
    QCOMPARE(nameOf(form.GroupBox1), QStringLiteral("プロキシ設定"));
    QCOMPARE(nameOf(form.ProxyUse), QStringLiteral("HTTP プロキシを使用する"));
    QCOMPARE(nameOf(form.ToolButton9), QStringLiteral("更新"));
}

void TestAccessibility::columnHeadersNamedByTheirCaptions()
{
    WindowFixture files;
    TWebPhoneForm form;
    form.show();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(form.LVOnline);
    QStringList headers;
    for (int i = 0; i < list->childCount(); ++i) {
        if (list->child(i)->role() == QAccessible::ColumnHeader)
            headers.append(list->child(i)->text(QAccessible::Name));
    }
    QCOMPARE(headers, (QStringList{QStringLiteral("番号"), QStringLiteral("状"), QStringLiteral("性"), QStringLiteral("年齢"),
                                   QStringLiteral("場所"), QStringLiteral("テーマ"), QStringLiteral("プロフィール")}));
}

void TestAccessibility::aboutBoxNamesAreVisibleTexts_data()
{
    QTest::addColumn<QString>("programName");
    QTest::newRow("plain name") << QStringLiteral("quorrix");
    QTest::newRow("ampersands stay in the name") << QStringLiteral("a&b&&c.exe");
    QTest::newRow("markup-like name read as it stands") << QStringLiteral("<b>x.exe");
}

void TestAccessibility::aboutBoxNamesAreVisibleTexts()
{
    QFETCH(QString, programName);
    WindowFixture files;
    qx::SetProgramFilePathForTesting(files.path(programName.toStdString()));
    TAboutForm box;
    box.show();
    compareNamesWithVisibleTexts(box);
    QCOMPARE(nameOf(box.AppLabel), programName);
}

void TestAccessibility::panelNamedByItsText_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("announced");
    QTest::newRow("row count") << 0 << QString() << QStringLiteral("685") << true;
    QTest::newRow("list connection reading") << 1 << QStringLiteral("Connected") << QStringLiteral("Reading") << true;
    QTest::newRow("profile connection error") << 2 << QString() << QStringLiteral("Error(ErrorCode=10061)") << true;
    QTest::newRow("emptied panel has an empty name") << 1 << QStringLiteral("Reading") << QString() << true;
    QTest::newRow("same text again is not announced") << 1 << QStringLiteral("Reading") << QStringLiteral("Reading") << false;
}

void TestAccessibility::panelNamedByItsText()
{
    QFETCH(int, panel);
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(bool, announced);
    WindowFixture files;
    TWebPhoneForm form;
    form.show();
    form.Sb->SetPanelText(panel, before.toStdString());
    announcements().clear();

    form.Sb->SetPanelText(panel, text.toStdString());
    const QList<QAccessibleInterface*> shown = panels(form);
    QCOMPARE(shown.size(), 4);
    for (int i = 0; i < shown.size(); ++i)
        QCOMPARE(shown[i]->text(QAccessible::Description), QStringLiteral("panel %1").arg(i));
    QCOMPARE(shown[panel]->text(QAccessible::Name), text);
    if (announced) {
        QCOMPARE(announcements().size(), 1);
        QCOMPARE(announcements()[0].object, shown[panel]->object());
        QCOMPARE(announcements()[0].name, text);
    } else {
        QCOMPARE(announcements().size(), 0);
    }
}

void TestAccessibility::refusedRefreshAnnouncesError()
{
    WindowFixture files;
    TWebPhoneForm form;
    form.show();
    quint16 closed = 0;
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        closed = server.serverPort();
    }
    form.ProxyUse->setChecked(true);
    form.ProxyAddr->setText(QStringLiteral("127.0.0.1"));
    form.ProxyPort->setText(QString::number(closed));
    QTest::mouseClick(form.ToolButton9, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(form.Sb->PanelText(1), std::string("Error"), 20000);
    QAccessibleInterface* listPanel = panels(form).at(1);
    QCOMPARE(listPanel->text(QAccessible::Name), QStringLiteral("Error"));
    QVERIFY(std::any_of(announcements().begin(), announcements().end(), [&](const Announcement& a) {
        return a.object == listPanel->object() && a.name == QStringLiteral("Error");
    }));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"

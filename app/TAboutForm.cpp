#include "TAboutForm.h"

#include "Cp932.h"
#include "ProgramFile.h"
#include "TWebPhoneForm.h"
#include "VersionInfo.h"

#include <QDesktopServices>
#include <QFile>
#include <QMouseEvent>
#include <QUrl>

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                         | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFixedSize(370, 94);
    move(196, 127);
    setFont(TWebPhoneForm::WindowFont());

    Label2 = addLabel("Label2", QStringLiteral("Quorrix"), 8, 8);
    QFont title = font();
    title.setPixelSize(21);
    title.setBold(true);
    title.setItalic(true);
    Label2->setFont(title);
    Label2->adjustSize();

    // Version values are shown as plain text, "&" included.
    const auto version = qx::ReadVersionInfo(qx::ProgramFilePath());
    auto entry = [&version](const char* key) {
        const auto found = version.find(key);
        return found == version.end() ? QString() : qx::ToUnicode(found->second);
    };
    // The name is the file system's, not text of the program's own.
    AppLabel = addLabel("AppLabel", QFile::decodeName(QByteArray::fromStdString(qx::ProgramFileName())), 16, 40);
    VersionInfoFileVersionLabel1 = addLabel("VersionInfoFileVersionLabel1", entry("FileVersion"), 96, 40);
    VersionInfoLegalCopyrightLabel1 = addLabel("VersionInfoLegalCopyrightLabel1", entry("LegalCopyright"), 16, 56);
    Label1 = addLabel("Label1", QStringLiteral("サポート"), 16, 72);

    UrlLabel = addLabel("UrlLabel", QStringLiteral(QUORRIX_SUPPORT_URL), 64, 72);
    QFont link = font();
    link.setUnderline(true);
    UrlLabel->setFont(link);
    // A palette, not a style sheet: a style sheet would bring the style
    // sheet machinery into the start-up for one colour.
    QPalette blue = UrlLabel->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    UrlLabel->setPalette(blue);
    UrlLabel->setCursor(Qt::PointingHandCursor);
    UrlLabel->setToolTip(QStringLiteral("クリックするとアクセスします"));
    UrlLabel->adjustSize();
    UrlLabel->installEventFilter(this);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(288, 64, 75, 25);
    Button1->setDefault(true);
    Button1->setFocus();
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

QLabel* TAboutForm::addLabel(const char* name, const QString& text, int left, int top)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->move(left, top);
    label->adjustSize();
    return label;
}

std::function<void(const QString&)>& TAboutForm::OpenUrlHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == UrlLabel && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        UrlLabelClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::UrlLabelClick()
{
    const QString address = UrlLabel->text();
    if (OpenUrlHook()) {
        OpenUrlHook()(address);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

#pragma once
// The about box: the program's name, the program file's name, its file
// version and copyright line as the program file carries them, and a support
// link that opens in the desktop's web browser.

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <functional>

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* owner = nullptr);

    // Opens the link's address with the desktop's default handler; failures
    // are ignored and the box stays open.
    void UrlLabelClick();

    QLabel* Label2 = nullptr;
    QLabel* AppLabel = nullptr;
    QLabel* VersionInfoFileVersionLabel1 = nullptr;
    QLabel* VersionInfoLegalCopyrightLabel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* UrlLabel = nullptr;
    QPushButton* Button1 = nullptr;

    // Tests see the address instead of a browser opening it.
    static std::function<void(const QString&)>& OpenUrlHook();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* addLabel(const char* name, const QString& text, int left, int top);
};

extern TAboutForm* AboutForm;

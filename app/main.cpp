// The program's entry: the application object, the main window, the hidden
// about box, then the message loop. It always ends with exit code 0.

#include "Application.h"
#include "TAboutForm.h"
#include "TWebPhoneForm.h"

int main(int argc, char** argv)
{
    qx::Application application(argc, argv);
    try {
        QApplication::setFont(TWebPhoneForm::WindowFont());
        WebPhoneForm = new TWebPhoneForm();
        AboutForm = new TAboutForm(WebPhoneForm);
        WebPhoneForm->show();
        QApplication::exec();
    } catch (const std::exception& error) {
        qx::HandleException(error);
    }
    delete WebPhoneForm;
    return 0;
}

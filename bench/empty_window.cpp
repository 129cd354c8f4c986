// The baseline of the start-up benchmark: the smallest Qt Widgets program
// with one main window, built with the same compiler and Qt as the program.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.show();
    return QApplication::exec();
}

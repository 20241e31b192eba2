#include <QApplication>
#include <QDialog>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(QStringLiteral("Handfolio"));
    QDialog window;
    window.setWindowTitle(QStringLiteral("Handfolio Album Creator 2.6"));
    window.exec();
    return 0;
}

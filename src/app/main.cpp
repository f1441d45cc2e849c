#include <QApplication>
#include <QLabel>

// Start-up is built with the main window; until then the program shows
// nothing but its name.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("WrenNOTE"));
    label.show();
    return app.exec();
}

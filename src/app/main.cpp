// Placeholder entry until the editor window exists.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label("Kestro");
    label.show();
    return app.exec();
}

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>

// Placeholder window until the editor window lands: shows the default background.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setObjectName(QStringLiteral("Form1"));
    window.setWindowTitle(QStringLiteral("Tessaval - Grivendale v1.8"));
    auto* canvas = new QLabel(&window);
    canvas->setObjectName(QStringLiteral("Picture1"));
    canvas->setPixmap(QPixmap(QApplication::applicationDirPath() + QStringLiteral("/prev.gif")));
    window.setCentralWidget(canvas);
    window.show();
    return app.exec();
}

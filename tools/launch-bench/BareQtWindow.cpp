// The yardstick for the app's launch: a bare Qt Widgets program that shows
// one frameless window of a card's size and then idles.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("悬笺"));
    label.setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    label.setAlignment(Qt::AlignCenter);
    label.resize(344, 248);
    label.show();
    return app.exec();
}

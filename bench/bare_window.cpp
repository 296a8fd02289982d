// The yardstick of start-up: a plain Qt window of the same size with the same kinds of widgets
// as the program's (a tab bar of 27 tabs, a list, 7 labels and entry boxes, 6 buttons, a check
// box, in Fusion), and nothing else: no file, no colours, no style sheets. start_bench starts
// it beside the program; what the program takes beyond it is the program's own.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QStyleFactory>
#include <QTabBar>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.setFixedSize(595, 417);

    auto* tabs = new QTabBar(&window);
    tabs->setGeometry(8, 8, 577, 25);
    tabs->addTab(QStringLiteral("*"));
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        tabs->addTab(QString(QLatin1Char(letter)));

    auto* list = new QListView(&window);
    list->setModel(new QStringListModel(&window));
    list->setGeometry(16, 40, 129, 301);

    for (int i = 0; i < 7; ++i) {
        auto* label = new QLabel(QStringLiteral("Label %1:").arg(i + 1), &window);
        label->setGeometry(232, 48 + 40 * i, 80, 13);
        auto* box = new QLineEdit(&window);
        box->setGeometry(312, 40 + 40 * i, 193, 21);
    }
    auto* check = new QCheckBox(QStringLiteral("Check:"), &window);
    check->setGeometry(208, 328, 97, 17);
    const char* const captions[] = {"Search", "ADD NEW", "SAVE", "EDIT", "DELETE", "EXIT"};
    int left = 24;
    for (const char* caption : captions) {
        auto* button = new QPushButton(QLatin1String(caption), &window);
        button->setGeometry(left, 376, 65, 25);
        left += 80;
    }

    window.show();
    return app.exec();
}

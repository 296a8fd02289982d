// Building the window: every control at its place, in its colours and fonts.
#include "window/form/form1x.h"

#include "window/controls/check_box.h"
#include "window/controls/command_button.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/form/credit_line.h"
#include "window/looks/appearance.h"
#include "window/looks/box_style.h"
#include "window/looks/fitted_captions.h"
#include "window/looks/focus_ring_style.h"
#include "window/looks/icon_files.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>

using appearance::twips;

namespace {

template <typename Control> Control* placed(Control* control, const char* name, QRect place)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(place);
    return control;
}

QLabel* fieldLabel(QWidget* parent, const char* name, const QString& text, QRect place)
{
    auto* label = placed(new QLabel(text, parent), name, place);
    label->setFont(appearance::boldFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, appearance::Cyan);
    label->setPalette(palette);
    // Sized to its text in the face the window is laid out for; in a wider face the place
    // stays, so that the label never runs into its box, and the text is drawn smaller.
    return label;
}

TextBox* entryBox(QWidget* parent, const char* name, QRect place, const QFont& font)
{
    auto* box = placed(new TextBox(parent), name, place);
    box->setFont(font);
    return box;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, QRect place)
{
    auto* check = placed(new CheckBox(text, parent), name, place);
    check->setFont(appearance::boldFont());
    // The teal of the record area shows through; the box itself stays white to be seen.
    QPalette palette = check->palette();
    palette.setColor(QPalette::Window, appearance::Teal);
    palette.setColor(QPalette::WindowText, appearance::Cyan);
    palette.setColor(QPalette::Base, appearance::White);
    palette.setColor(QPalette::Text, Qt::black);
    check->setPalette(palette);
    return check;
}

HoverButton* recordButton(QWidget* parent, const char* name, const QString& caption, QRect place,
                          const QColor& onMouse)
{
    auto* button = placed(new HoverButton(caption, parent), name, place);
    button->setBackColorOnMouse(onMouse);
    return button;
}

// While the window's controls are made, the window's font stands in for the desktop's. A line
// box lays out its text once in the desktop's font as it is made, before it takes the window's:
// that would load the desktop's face, over two million instructions before the window can show,
// for text never drawn. Windows made later (messages, menus, dialogs) have the desktop's font.
class WindowFontStandingIn {
public:
    WindowFontStandingIn() { QApplication::setFont(appearance::regularFont()); }
    ~WindowFontStandingIn() { QApplication::setFont(desktops_); }
    WindowFontStandingIn(const WindowFontStandingIn&) = delete;
    WindowFontStandingIn& operator=(const WindowFontStandingIn&) = delete;

private:
    const QFont desktops_ = QApplication::font();
};

} // namespace

void Form1x::createControls()
{
    setObjectName(QStringLiteral("Form1x"));
    setWindowTitle(QStringLiteral("KESTRANE"));
    // The icons live in a static library, whose resources the linker keeps only when asked.
    Q_INIT_RESOURCE(zarvoth);
    // Every size the artwork comes in, so that the window system never has to scale one up,
    // also on a screen of twice the resolution.
    QMap<int, QString> iconFiles;
    for (int size : {16, 32, 48, 64, 128, 256})
        iconFiles.insert(size, QStringLiteral(":/icons/zarvoth-%1.png").arg(size));
    setWindowIconOnceDrawn(this, iconFromFiles(iconFiles));
    setFont(appearance::regularFont());
    setFixedSize(8925 / appearance::TwipsPerPixel, 6255 / appearance::TwipsPerPixel);

    {
        const WindowFontStandingIn windowFont;
        createRecordArea();
        createBottomRow();
    }
    createSearchMenu();
    describeForScreenReaders();
    FocusRingStyle::applyTo(this);
    BoxStyle::applyTo(this);
    fitted_captions::fitCaptions(this);
}

void Form1x::createRecordArea()
{
    Pict = placed(new QWidget(this), "Pict", twips(120, 120, 8760, 5220));
    Pict->setAutoFillBackground(true);
    QPalette teal = Pict->palette();
    teal.setColor(QPalette::Window, appearance::Teal);
    Pict->setPalette(teal);

    TabStrip1 = placed(new TabStrip(Pict), "TabStrip1", twips(0, 0, 8655, 375));
    TabStrip1->setFont(appearance::boldFont());
    TabStrip1->setAutoFillBackground(true);
    TabStrip1->addTab(QStringLiteral("*"));
    TabStrip1->setTabToolTip(0, QStringLiteral("All Data"));
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const int index = TabStrip1->addTab(QString(QLatin1Char(letter)));
        TabStrip1->setTabToolTip(index, QString(QLatin1Char(letter)));
    }

    ListNick = placed(new ListBox(Pict), "ListNick", twips(120, 480, 1935, 4515));
    ListNick->setFont(appearance::boldFont());

    Shape1 = placed(new QFrame(Pict), "Shape1", twips(2280, 480, 6135, 4515));
    Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Shape1->setLineWidth(1);
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);

    const QFont bold = appearance::boldFont();
    Label15 =
        fieldLabel(Pict, "Label15", QStringLiteral("Nick Name:"), twips(3480, 720, 1005, 195));
    TxtNick = entryBox(Pict, "TxtNick", twips(4680, 600, 1575, 315), bold);
    BtnSearch = placed(new CommandButton(QStringLiteral("Search"), Pict), "BtnSearch",
                       twips(6600, 600, 975, 375));
    QPalette face = BtnSearch->palette();
    face.setColor(QPalette::Button, appearance::SearchFace);
    BtnSearch->setPalette(face);

    Label16 =
        fieldLabel(Pict, "Label16", QStringLiteral("Full Name:"), twips(3480, 1320, 915, 195));
    TxtAdName = entryBox(Pict, "TxtAdName", twips(4680, 1200, 2895, 315), bold);
    Label17 =
        fieldLabel(Pict, "Label17", QStringLiteral("Family Name:"), twips(3480, 1920, 1140, 195));
    TxtAdFname = entryBox(Pict, "TxtAdFname", twips(4680, 1800, 2895, 315), bold);
    Label18 = fieldLabel(Pict, "Label18", QStringLiteral("City:"), twips(3480, 2400, 390, 195));
    TxtAdAdd = entryBox(Pict, "TxtAdAdd", twips(4680, 2400, 2895, 285), bold);
    Label19 = fieldLabel(Pict, "Label19", QStringLiteral("Phone:"), twips(3480, 3120, 615, 195));
    TxtAdPhon = entryBox(Pict, "TxtAdPhon", twips(4680, 3000, 2895, 315), bold);

    Chkprefx =
        checkBox(Pict, "Chkprefx", QStringLiteral("Use Prefix:"), twips(3120, 3720, 1455, 255));
    Txtprefx = entryBox(Pict, "Txtprefx", twips(4680, 3600, 855, 315), appearance::regularFont());
    Chkcode =
        checkBox(Pict, "Chkcode", QStringLiteral("Use STD Code:"), twips(3120, 4200, 1695, 375));
    TxtCode = entryBox(Pict, "TxtCode", twips(4680, 4200, 1335, 315), bold);

    // A box takes no more characters than its field holds, so the user sees where it ends.
    const std::pair<TextBox*, std::size_t> widths[] = {
        {TxtNick, decltype(store::ContactRecord::Nick)::width},
        {TxtAdName, decltype(store::ContactRecord::FullName)::width},
        {TxtAdFname, decltype(store::ContactRecord::FamilyName)::width},
        {TxtAdAdd, decltype(store::ContactRecord::City)::width},
        {TxtAdPhon, decltype(store::ContactRecord::Phone)::width},
        {Txtprefx, decltype(store::ContactRecord::Prefix)::width},
        {TxtCode, decltype(store::ContactRecord::StdCode)::width}};
    for (const auto& [box, width] : widths)
        box->setMaxLength(static_cast<int>(width));

    // The texts the boxes hold when the window is created; start-up replaces every one.
    TxtAdName->setText(QStringLiteral(" "));
    TxtAdFname->setText(QStringLiteral(" "));
    TxtAdPhon->setText(QStringLiteral(" "));

    DialButton1 = placed(new DialButton(Pict), "DialButton1", twips(6600, 4080, 975, 615));
    DialButton1->setText(QStringLiteral("\u260E Dial"));
    DialButton1->hide();
}

void Form1x::createBottomRow()
{
    BtnAdd = recordButton(this, "BtnAdd", QStringLiteral("ADD NEW"), twips(360, 5640, 975, 375),
                          QColor(192, 255, 192));
    BtnSave = recordButton(this, "BtnSave", QStringLiteral("SAVE"), twips(1560, 5640, 975, 375),
                           QColor(255, 192, 192));
    BtnUpdate = recordButton(this, "BtnUpdate", QStringLiteral("EDIT"),
                             twips(2760, 5640, 1095, 375), QColor(192, 192, 255));
    BtnDelete = recordButton(this, "BtnDelete", QStringLiteral("DELETE"),
                             twips(4080, 5640, 855, 375), QColor(255, 128, 128));
    BtnDelete->setBorderColor(Qt::black);
    BtnExit = placed(new CommandButton(QStringLiteral("EXIT"), this), "BtnExit",
                     twips(5160, 5640, 1215, 375));

    Label1 = placed(new QLabel(this), "Label1", twips(6960, 5520, 1575, 615));
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, appearance::Red);
    Label1->setPalette(red);
    Label1->setWordWrap(true);
    Label1->setMouseTracking(true);
    Label1->installEventFilter(this);

    StatusBar1 = placed(new StatusBar(2, 1440 / appearance::TwipsPerPixel, this), "StatusBar1",
                        twips(0, 6000, 8925, 255));
    StatusBar1->setPanelText(1, QStringLiteral("Total Records:"));
    StatusBar1->hide();
}

void Form1x::createSearchMenu()
{
    MnuMnu = new QMenu(QStringLiteral("Menu"), this);
    MnuMnu->setObjectName(QStringLiteral("MnuMnu"));
    const auto item = [this](const char* name, const QString& caption) {
        QAction* action = MnuMnu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    MnuNick = item("MnuNick", QStringLiteral("By NickName"));
    MnuFName = item("MnuFName", QStringLiteral("By Full Name"));
    MnuFamily = item("MnuFamily", QStringLiteral("By Family Name"));
    MnyCity = item("MnyCity", QStringLiteral("By City"));
}

void Form1x::describeForScreenReaders()
{
    // The boxes are named after their labels, without the colon; the labels point at them.
    const std::pair<QLabel*, QWidget*> buddies[] = {
        {Label15, TxtNick},  {Label16, TxtAdName}, {Label17, TxtAdFname},
        {Label18, TxtAdAdd}, {Label19, TxtAdPhon},
    };
    for (const auto& [label, box] : buddies) {
        label->setBuddy(box);
        box->setAccessibleName(label->text().chopped(1));
    }
    TxtNick->setAccessibleDescription(
        QStringLiteral("Typing here while a contact is shown searches the nicknames"));
    TxtAdPhon->setAccessibleDescription(QStringLiteral("Digits only"));
    Txtprefx->setAccessibleName(QStringLiteral("Prefix"));
    Txtprefx->setAccessibleDescription(
        QStringLiteral("Dialled before the number when Use Prefix is ticked"));
    TxtCode->setAccessibleName(QStringLiteral("STD Code"));
    TxtCode->setAccessibleDescription(
        QStringLiteral("Dialled before the number when Use STD Code is ticked"));

    // The check boxes' captions end in a colon, which a screen reader would read out.
    Chkprefx->setAccessibleName(QStringLiteral("Use Prefix"));
    Chkprefx->setAccessibleDescription(QStringLiteral("Dial the prefix before the number"));
    Chkcode->setAccessibleName(QStringLiteral("Use STD Code"));
    Chkcode->setAccessibleDescription(QStringLiteral("Dial the STD code before the number"));

    Pict->setAccessibleName(QStringLiteral("Contact"));
    Pict->setAccessibleDescription(QStringLiteral("The nickname list and the shown contact"));
    Shape1->setAccessibleName(QStringLiteral("Contact details"));
    ListNick->setAccessibleName(QStringLiteral("Nicknames"));
    ListNick->setAccessibleDescription(QStringLiteral("Choose a nickname to show its contact"));
    // A tab strip is read by its selected tab, each tab by its name and its tool tip. "*"
    // says nothing when read out; its tool tip says what it does.
    TabStrip1->setAccessibleTabName(0, TabStrip1->tabToolTip(0));

    BtnSearch->setAccessibleDescription(
        QStringLiteral("Find contacts by nickname, full name, family name or city"));
    MnuMnu->setAccessibleName(QStringLiteral("Search by"));
    DialButton1->setAccessibleName(QStringLiteral("Dial"));
    DialButton1->setAccessibleDescription(QStringLiteral("Calls the number shown"));
    BtnAdd->setAccessibleDescription(QStringLiteral("Clears the boxes for a new contact"));
    BtnSave->setAccessibleDescription(QStringLiteral("Stores the contact"));
    BtnUpdate->setAccessibleDescription(QStringLiteral("Opens the shown contact for editing"));
    BtnDelete->setAccessibleDescription(QStringLiteral("Removes the chosen contact"));
    BtnExit->setAccessibleDescription(QStringLiteral("Ends the program"));
    Label1->setAccessibleName(QStringLiteral("Credits"));
    Label1->setAccessibleDescription(creditLine());
    StatusBar1->setAccessibleName(QStringLiteral("Total records"));
}

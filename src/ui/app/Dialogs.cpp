#include "ui/app/Dialogs.h"

#include <QGridLayout>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QStyle>
#include <QUrl>
#include <algorithm>

#include "ui/app/Form.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::app {

namespace {

QMessageBox::Icon iconOf(Message::Icon icon) {
    switch (icon) {
        case Message::Icon::Information:
            return QMessageBox::Information;
        case Message::Icon::Question:
            return QMessageBox::Question;
        case Message::Icon::Exclamation:
            return QMessageBox::Warning;
        case Message::Icon::Critical:
            return QMessageBox::Critical;
        case Message::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// The program's own drawing of each icon, crisp at every scale.
const char* iconFile(Message::Icon icon) {
    switch (icon) {
        case Message::Icon::Information:
            return ":/vantor/icons/information.svg";
        case Message::Icon::Question:
            return ":/vantor/icons/question.svg";
        case Message::Icon::Exclamation:
            return ":/vantor/icons/exclamation.svg";
        case Message::Icon::Critical:
            return ":/vantor/icons/critical.svg";
        case Message::Icon::None:
            break;
    }
    return nullptr;
}

// A box in the forms' look: their palette and font, the program's icon drawn for the screen's
// scale instead of the style's small bitmap, and buttons of one width without the style's
// pictures on them.
void dress(QMessageBox& box, Message::Icon icon) {
    applyLook(box);
    if (const char* file = iconFile(icon)) {
        const int side = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
        const QPixmap drawn =
            QIcon(QString::fromLatin1(file)).pixmap(QSize(side, side), box.devicePixelRatioF());
        // Where the pictures cannot be drawn, the style's own icon stays.
        if (!drawn.isNull())
            box.setIconPixmap(drawn);
    }
    int width = 0;
    for (QAbstractButton* button : box.buttons()) {
        button->setIcon(QIcon());
        width = std::max(width, button->sizeHint().width());
    }
    for (QAbstractButton* button : box.buttons())
        button->setMinimumWidth(width);
}

// "Open Folder" beside the answers: the folder opens in the file manager, the question stays.
void offerToOpen(QMessageBox& box, const QString& folder) {
    QPushButton* open = box.addButton(QStringLiteral("Open &Folder"), QMessageBox::ActionRole);
    open->setObjectName(QStringLiteral("cmdOpenFolder"));
    // The box would close on any of its buttons: this one only opens the folder.
    open->disconnect();
    QObject::connect(open, &QPushButton::clicked, &box,
                     [folder] { program().desktop().openAddress(QUrl::fromLocalFile(folder).toString()); });
}

// Every button answers to Alt and its letter, as the forms' buttons do; the platform's texts for
// these two have no mnemonic.
void giveMnemonics(QMessageBox& box) {
    if (QAbstractButton* retry = box.button(QMessageBox::Retry))
        retry->setText(QStringLiteral("&Retry"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("&Cancel"));
}

// The answer Enter gives: a question's first button.
QMessageBox::StandardButton firstOf(Message::Buttons buttons) {
    switch (buttons) {
        case Message::Buttons::YesNo:
        case Message::Buttons::YesNoCancel:
            return QMessageBox::Yes;
        case Message::Buttons::RetryCancel:
            return QMessageBox::Retry;
        case Message::Buttons::Ok:
        case Message::Buttons::OkCancel:
            break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButtons buttonsOf(Message::Buttons buttons) {
    switch (buttons) {
        case Message::Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Message::Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Message::Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case Message::Buttons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        case Message::Buttons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

Answer answerOf(int button) {
    switch (button) {
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Retry:
            return Answer::Retry;
        default:
            return Answer::Ok;
    }
}

// Room beside a title for the window frame's own buttons.
constexpr int kTitleBarButtons = 120;

// A message box sizes itself to its text; a title longer than that would be cut on the title bar.
void makeRoomForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0,
                  1, grid->columnCount());
}

}  // namespace

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* owner, const Message& message) {
    // A box without a title of its own carries the program's name, not the name its settings use.
    const QString title = message.title.isEmpty() ? QStringLiteral("Vantor PC Program") : message.title;
    auto box = std::make_unique<QMessageBox>(iconOf(message.icon), title, message.text,
                                             buttonsOf(message.buttons), owner);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setDefaultButton(message.defaultNo ? QMessageBox::No : firstOf(message.buttons));
    if (message.closeIsNoAnswer) {
        // A button of its own that is never shown takes the close: exec() then gives Cancel.
        QPushButton* closed = box->addButton(QMessageBox::Cancel);
        closed->hide();
        box->setEscapeButton(closed);
    }
    if (!message.folder.isEmpty())
        offerToOpen(*box, message.folder);
    giveMnemonics(*box);
    dress(*box, message.icon);
    makeRoomForTitle(*box);
    return box;
}

Message boxOf(const vantor::Message& message) {
    Message box;
    box.title = QString::fromStdString(message.title);
    box.text = QString::fromStdString(message.text);
    box.icon = message.icon;
    box.buttons = message.buttons;
    box.defaultNo = message.defaultNo;
    box.closeIsNoAnswer = message.closeIsNoAnswer;
    return box;
}

Answer Dialogs::ask(QWidget* owner, const vantor::Message& message) {
    return ask(owner, boxOf(message));
}

Answer MessageBoxDialogs::ask(QWidget* owner, const Message& message) {
    return answerOf(makeMessageBox(owner, message)->exec());
}

void MessageBoxDialogs::closeQuestionsOver(QWidget* owner) {
    if (!owner)
        return;
    for (QMessageBox* box : owner->findChildren<QMessageBox*>(Qt::FindDirectChildrenOnly)) {
        if (box->isVisible())
            box->done(QMessageBox::Cancel);
    }
}

void MessageBoxDialogs::showModal(Form& form, QWidget* owner) {
    if (owner && owner->isVisible())
        form.move(owner->geometry().center() - form.rect().center());
    form.exec();
}

}  // namespace vantor::app

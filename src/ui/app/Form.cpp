#include "ui/app/Form.h"

#include <QCloseEvent>

#include "platform/app/UiLog.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Program.h"

namespace vantor::app {

Form::Form(QWidget* parent) : QDialog(parent) {
    // Forms are top-level windows that can be minimised, not dialog boxes tied to a parent. They
    // are laid out for their size: maximised, their few controls would spread over the screen, so
    // no maximise button (the customising hint makes window managers keep to the buttons named).
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setModal(false);
}

void Form::load() {
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

void Form::showForm() {
    load();
    if (!m_loaded)
        return;  // Form_Load may have unloaded the form again
    qCDebug(lcUi).noquote() << "show" << objectName();
    show();
    raise();
    activateWindow();
}

void Form::showModal(QWidget* owner) {
    load();
    if (!m_loaded)
        return;
    program().dialogs().showModal(*this, owner);
}

bool Form::unload() {
    if (!m_loaded) {
        hide();
        return true;
    }
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel || m_ending)
        return !cancel;
    qCDebug(lcUi).noquote() << "unload" << objectName();
    m_loaded = false;
    hide();
    return true;
}

void Form::endSilently() {
    m_ending = true;
    m_loaded = false;
    hide();
    m_ending = false;
}

scale::ScaleWorker& Form::scaleWorker() {
    return program().scale();
}

const std::atomic<bool>& Form::scaleCancelFlag() {
    return scaleWorker().cancelFlag();
}

scale::PauseGate& Form::scalePauseGate() {
    return scaleWorker().pauseGate();
}

bool Form::startedOrBusy(bool started) {
    if (!started)
        scaleBusy();
    return started;
}

void Form::scaleBusy() {
    program().dialogs().ask(this,
                            {QStringLiteral("Vantor PC Program"),
                             QStringLiteral("The scale link is busy; try again when the scale has answered."),
                             Message::Icon::Exclamation, Message::Buttons::Ok});
}

void Form::setHourglass(bool busy) {
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void Form::closeEvent(QCloseEvent* event) {
    if (m_ending || !m_loaded) {
        event->accept();
        return;
    }
    // unload() hides the form itself when it goes ahead; the event is never the one to close it.
    event->ignore();
    unload();
}

void Form::reject() {
    if (!m_loaded) {
        QDialog::reject();
        return;
    }
    // Escape is the close box, with its questions; but a key pressed by mistake must not throw
    // away a typed table or a pasted chart.
    if (escapeCloses())
        unload();
}

bool Form::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && m_loaded)
        Form_Activate();
    // The first paint after showing is when the user can see the form: the start-up time is
    // measured to the splash's.
    if (event->type() == QEvent::Show)
        m_awaitingPaint = true;
    if (event->type() == QEvent::Paint && m_awaitingPaint) {
        m_awaitingPaint = false;
        qCDebug(lcUi).noquote() << objectName() << "on screen";
    }
    return QDialog::event(event);
}

}  // namespace vantor::app

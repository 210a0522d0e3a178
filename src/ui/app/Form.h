#pragma once

#include <QDialog>
#include <functional>

#include "platform/scale/ScaleWorker.h"

namespace vantor::app {

// The life of one of the program's forms. Each form is one program-wide object made on first use;
// it is loaded (Form_Load runs), shown, and unloaded (Form_Unload may refuse), and its variables
// keep their values from one load to the next. Closing the window by its frame goes through
// Form_Unload like any other unload, and so does Escape.
class Form : public QDialog {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);

    bool isLoaded() const { return m_loaded; }

    // Runs Form_Load unless the form is loaded already.
    void load();
    // Loads the form and shows it without a modal wait.
    void showForm();
    // Loads the form and shows it modally over `owner` through the program's Dialogs.
    void showModal(QWidget* owner);
    // Asks Form_Unload; unless it cancels, hides the form and marks it unloaded. True when unloaded.
    bool unload();
    // Hides the form without asking anything: the program is ending.
    void endSilently();

    // Mouse pointer of the form: the hourglass during long operations.
    void setHourglass(bool busy);

    // Starts an operation on the scale for this form (see ScaleWorker::operate): the port is made
    // ready first, progress and the result come back on this form's thread. While another job
    // holds the link nothing starts, the user is told (scaleBusy) and the answer is false.
    template <class Job, class Done>
    bool operateScale(Job job, Done done);
    template <class Job, class Done>
    bool operateScale(Job job, std::function<void(const scale::Progress&)> onProgress, Done done);
    // The same for the two jobs that must not make the port ready first, since they choose it:
    // detection and the port menu. `job(SerialTransport&)`.
    template <class Job, class Done>
    bool runOnScale(Job job, Done done);

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload(bool& cancel) { Q_UNUSED(cancel); }
    virtual void Form_Activate() {}

    void closeEvent(QCloseEvent* event) override;
    // Escape: closes the form as its close box does, when escapeCloses allows it.
    void reject() override;
    // False while closing would lose what the user typed or pasted.
    virtual bool escapeCloses() const { return true; }
    bool event(QEvent* event) override;

    // Tells the user, in a message box, that the scale link is busy with another job.
    void scaleBusy();
    // Set while the program is ending: a job stops early when it sees it.
    static const std::atomic<bool>& scaleCancelFlag();
    // Holds a long job between exchanges while the user answers a question about it.
    static scale::PauseGate& scalePauseGate();

private:
    static scale::ScaleWorker& scaleWorker();
    bool startedOrBusy(bool started);

    bool m_loaded = false;
    bool m_ending = false;
    bool m_awaitingPaint = false;
};

template <class Job, class Done>
bool Form::operateScale(Job job, Done done) {
    return startedOrBusy(scaleWorker().operate(std::move(job), this, std::move(done)));
}

template <class Job, class Done>
bool Form::operateScale(Job job, std::function<void(const scale::Progress&)> onProgress, Done done) {
    return startedOrBusy(scaleWorker().operate(std::move(job), this, std::move(onProgress), std::move(done)));
}

template <class Job, class Done>
bool Form::runOnScale(Job job, Done done) {
    return startedOrBusy(scaleWorker().run(std::move(job), this, std::move(done)));
}

}  // namespace vantor::app

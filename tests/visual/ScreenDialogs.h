#pragma once

#include <QString>
#include <deque>
#include <functional>

#include "ui/app/Dialogs.h"

namespace vantor::test {

class Shooter;

// The dialogs of the visual review: every message box is the one the program shows (made by
// app::makeMessageBox), shown, taken as a picture, closed and answered from the script; every
// modal form is shown, taken, and then does what the script says. Anything not scripted is still
// taken (named after its title), answered the cautious way, and counted as unexpected.
class ScreenDialogs : public app::Dialogs {
public:
    using FormAction = std::function<void(app::Form&)>;

    explicit ScreenDialogs(Shooter& shooter) : m_shooter(shooter) {}

    // The next message box: the picture's name and the button pressed.
    void expect(const QString& name, app::Answer answer = app::Answer::Ok) {
        m_boxes.push_back({name, answer});
    }
    // The next modal form: the picture's name (none when empty) and what it does while shown.
    void onModal(const QString& name, FormAction action) { m_forms.push_back({name, std::move(action)}); }
    static FormAction click(const QString& button);

    bool allScriptUsed() const { return m_boxes.empty() && m_forms.empty(); }

    app::Answer ask(QWidget* owner, const app::Message& message) override;
    void showModal(app::Form& form, QWidget* owner) override;

private:
    struct Box {
        QString name;
        app::Answer answer;
    };
    struct Modal {
        QString name;
        FormAction action;
    };

    Shooter& m_shooter;
    std::deque<Box> m_boxes;
    std::deque<Modal> m_forms;
};

}  // namespace vantor::test

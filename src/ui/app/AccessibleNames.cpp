#include "ui/app/AccessibleNames.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QWidget>

namespace vantor::app {

namespace {

QString plainText(const QString& text) {
    QString plain = Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
    plain.remove(QRegularExpression(QStringLiteral("&(?!&)")));  // mnemonic marks; "&&" stays one "&"
    return plain.simplified();
}

bool hasCaption(const QWidget& widget) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return !button->text().isEmpty();
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return !label->text().isEmpty();
    if (const auto* group = qobject_cast<const QGroupBox*>(&widget))
        return !group->title().isEmpty();
    return false;
}

QString buddyCaption(const QWidget& form, const QWidget& widget) {
    for (const QLabel* label : form.findChildren<QLabel*>())
        if (label->buddy() == &widget)
            return plainText(label->text());
    return {};
}

}  // namespace

void nameUncaptionedControls(QWidget& form) {
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        if (hasCaption(*widget) || !widget->accessibleName().isEmpty())
            continue;
        QString name = plainText(widget->toolTip());
        if (name.isEmpty())
            name = buddyCaption(form, *widget);
        if (!name.isEmpty())
            widget->setAccessibleName(name);
    }
}

}  // namespace vantor::app

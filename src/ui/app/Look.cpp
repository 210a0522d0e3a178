#include "ui/app/Look.h"

#include <QFont>
#include <QPalette>
#include <QWidget>

#include "ui/app/AccessibleNames.h"
#include "ui/app/Controls.h"

namespace vantor::app {

void applyLook(QWidget& form) {
    QPalette palette = form.palette();
    palette.setColor(QPalette::Window, kBackground);
    palette.setColor(QPalette::Button, kBackground);
    // The focus frame and selections are drawn in the highlight colour: the style's own light
    // blue all but vanishes on the program's blue.
    palette.setColor(QPalette::Highlight, kFocusFrame);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    form.setPalette(palette);
    form.setAutoFillBackground(true);

    QFont font = form.font();
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Sans Serif")});
    form.setFont(font);

    nameUncaptionedControls(form);
    evenButtonRows(form);
}

}  // namespace vantor::app

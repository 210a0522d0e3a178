#include "app/Look.h"

#include <QFont>
#include <QPalette>
#include <QWidget>

#include "app/AccessibleNames.h"

namespace vantor::app {

void applyLook(QWidget& form) {
    QPalette palette = form.palette();
    palette.setColor(QPalette::Window, kBackground);
    palette.setColor(QPalette::Button, kBackground);
    form.setPalette(palette);
    form.setAutoFillBackground(true);

    QFont font = form.font();
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Sans Serif")});
    form.setFont(font);

    nameUncaptionedControls(form);
}

}  // namespace vantor::app

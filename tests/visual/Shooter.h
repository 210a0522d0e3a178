#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

class QWidget;

namespace vantor::test {

// Writes what a window shows to OUTDIR/NN-name.png, numbered in the order taken, and the
// index.html that lists them. Names that do not match the --only pattern are counted but not
// written, so that a picture keeps its number whatever is left out.
class Shooter {
public:
    Shooter(QString folder, const QString& only);

    // Waits until the window is on screen, then takes it.
    void shoot(QWidget& window, const QString& name);
    // Takes the window as it is now, without letting anything else run first.
    void shootNow(QWidget& window, const QString& name);
    void writeIndex() const;

    const QStringList& written() const { return m_written; }
    const QStringList& failures() const { return m_failures; }
    void fail(const QString& what);

private:
    QString m_folder;
    QRegularExpression m_only;
    int m_taken = 0;
    QStringList m_written;
    QStringList m_failures;
};

}  // namespace vantor::test

#include "Shooter.h"

#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTest>
#include <QTextStream>
#include <QWidget>
#include <QWindow>
#include <cstdio>

namespace vantor::test {

namespace {

constexpr int kExposeWaitMs = 5000;

}  // namespace

Shooter::Shooter(QString folder, const QString& only)
    : m_folder(std::move(folder)),
      m_only(only.isEmpty() ? QString()
                            : QRegularExpression::wildcardToRegularExpression(
                                  only, QRegularExpression::UnanchoredWildcardConversion)) {
    QDir().mkpath(m_folder);
}

void Shooter::fail(const QString& what) {
    m_failures << what;
    std::fprintf(stderr, "vantor-screens: %s\n", qPrintable(what));
}

void Shooter::shoot(QWidget& window, const QString& name) {
    QWidget& top = *window.window();
    if (!top.isVisible())
        top.show();
    const bool exposed =
        QTest::qWaitFor([&] { return top.windowHandle() && top.windowHandle()->isExposed(); }, kExposeWaitMs);
    if (!exposed)
        fail(name + QStringLiteral(": the window did not come on screen"));
    shootNow(top, name);
}

void Shooter::shootNow(QWidget& window, const QString& name) {
    const QString file = QStringLiteral("%1-%2.png").arg(++m_taken, 2, 10, QLatin1Char('0')).arg(name);
    if (!m_only.pattern().isEmpty() && !m_only.match(name).hasMatch())
        return;
    QWidget& top = *window.window();
    if (!top.isVisible())
        fail(name + QStringLiteral(": taken while hidden"));
    if (!top.grab().save(QDir(m_folder).filePath(file)))
        fail(name + QStringLiteral(": cannot write ") + file);
    else
        m_written << file;
}

void Shooter::writeIndex() const {
    QFile file(QDir(m_folder).filePath(QStringLiteral("index.html")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    QTextStream out(&file);
    out << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Vantor PC Program: screens</title>\n"
           "<style>body{font-family:sans-serif;background:#eee}figure{display:inline-block;vertical-align:"
           "top;"
           "margin:12px;padding:8px;background:#fff}img{border:1px solid #999}</style></head><body>\n"
           "<h1>Vantor PC Program: screens</h1>\n";
    for (const QString& name : m_written)
        out << "<figure><img src=\"" << name << "\" alt=\"" << name << "\"><figcaption>" << name
            << "</figcaption></figure>\n";
    out << "</body></html>\n";
}

}  // namespace vantor::test

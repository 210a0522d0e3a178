#include "ui/app/DownloadAnimation.h"

#include <QIcon>

// The frames are compiled into the forms' library; a static library's resources must be
// registered by hand, before they are first read.
static void initDownloadingResources() {
    Q_INIT_RESOURCE(downloading);
}

namespace vantor::app {

namespace {

constexpr int kFrames = 8;
constexpr QSize kFrameSize(272, 60);

}  // namespace

DownloadAnimation::DownloadAnimation(QWidget* parent) : QLabel(parent) {
    initDownloadingResources();
    for (int i = 1; i <= kFrames; ++i)
        m_frames.push_back(
            QIcon(QStringLiteral(":/vantor/downloading/frame%1.svg").arg(i)).pixmap(kFrameSize));
    setFixedSize(kFrameSize);
    setAlignment(Qt::AlignCenter);
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, &DownloadAnimation::nextFrame);
    showFrame(0);
}

void DownloadAnimation::play() {
    m_timer.start();
}

void DownloadAnimation::stop() {
    m_timer.stop();
}

void DownloadAnimation::close() {
    m_timer.stop();
    showFrame(0);
}

void DownloadAnimation::showFrame(std::size_t index) {
    m_current = index;
    if (index < m_frames.size())
        setPixmap(m_frames[index]);
}

void DownloadAnimation::nextFrame() {
    showFrame((m_current + 1) % m_frames.size());
}

}  // namespace vantor::app

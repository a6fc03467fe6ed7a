#include "app/app.h"

#include "app/screen_metrics.h"
#include "app/settings.h"
#include "connection/connection.h"
#include "platform/dnssd_choice.h"
#include "platform/download.h"
#include "platform/message_box.h"
#include "platform/registry.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

namespace {
// The services the program runs with; tests replace the pointers in g_app, not these objects.
platform::CMessageBoxes g_messageBoxes;
platform::CChosenDnsSd g_dnsSd([] { return MdnsEngineSetting(g_app); });
platform::CDownloader g_downloader;
}  // namespace

CApp g_app;

CApp::CApp() : m_messageBoxes(&g_messageBoxes), m_dnsSd(&g_dnsSd), m_downloader(&g_downloader) {}

CApp::~CApp() {
    StopThreads();
}

void CApp::StopThreads() {
    m_restartThread.reset();
    // The engine is only running once discovery has started; a test may have put its own
    // engine in m_dnsSd and dropped it after closing discovery.
    if (m_discovery && m_dnsSd) m_dnsSd->Close();
    m_browseRef = nullptr;
    m_discovery.reset();
    if (const std::shared_ptr<CConnection> connection = std::move(m_connection)) connection->End();
}

void CApp::MeasureScreen() {
    if (m_logPixelsX != 0) return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    m_logPixelsX = screen ? qRound(screen->logicalDotsPerInchX()) : 96;
    m_logPixelsY = screen ? qRound(screen->logicalDotsPerInchY()) : 96;
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 480, 800);
    ApplyScreen(work.x() + work.width(), work.y() + work.height());
}

void CApp::ApplyScreen(int workRight, int workBottom) {
    m_headerHeight = HeaderHeightFor(m_logPixelsY, workBottom);
    m_screenClass = ScreenClassFor(workRight, workBottom);
    const FontHeights heights = FontHeightsFor(m_screenClass);
    QFont base = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    base.setWeight(QFont::Bold);
    m_titleFont = base;
    m_titleFont.setPixelSize(heights.title);
    m_textFont = base;
    m_textFont.setPixelSize(heights.text);
}

void RequestShutdown() {
    // Ends every event loop of the GUI thread, the pages' and message boxes' included; loops
    // started while they unwind return at once.
    QCoreApplication::exit(0);
}

#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

// Takes the place of the browser and the mail program: records every URL the program opens.
class CRecordingUrlHandler : public QObject {
    Q_OBJECT
public:
    CRecordingUrlHandler() {
        for (const char* scheme : kSchemes) QDesktopServices::setUrlHandler(scheme, this, "Record");
    }
    ~CRecordingUrlHandler() override {
        for (const char* scheme : kSchemes) QDesktopServices::unsetUrlHandler(scheme);
    }

    const QList<QUrl>& Urls() const { return m_urls; }

public slots:
    void Record(const QUrl& url) { m_urls.append(url); }

private:
    static constexpr const char* kSchemes[] = {"http", "https", "mailto"};
    QList<QUrl> m_urls;
};

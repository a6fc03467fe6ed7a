#include "dialogs/feedback.h"

#include "app/app.h"
#include "dialogs/product.h"
#include "platform/message_box.h"
#include "platform/url_opener.h"

#include <QUrl>
#include <QUrlQuery>

using namespace platform;

QUrl FeedbackMailUrl() {
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(kFeedbackAddress);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"),
                       QStringLiteral("Feedback on Dormo for Windows Mobile"));
    url.setQuery(query);
    return url;
}

void SendFeedback(QWidget* owner) {
    if (!g_app.m_messageBoxes->AskYesNo(
            owner, QStringLiteral("Do you want to send a feedback e-mail now?")))
        return;
    OpenUrl(FeedbackMailUrl());
}

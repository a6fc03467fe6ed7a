#pragma once

class QUrl;
class QWidget;

// The new mail to the maker: To the feedback address, the fixed subject, nothing else.
QUrl FeedbackMailUrl();

// Asks whether to write a feedback mail and, on Yes, opens one in the mail program.
void SendFeedback(QWidget* owner);

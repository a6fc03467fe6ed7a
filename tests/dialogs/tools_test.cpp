#include "app/app.h"
#include "common/recording_message_boxes.h"
#include "common/recording_url_handler.h"
#include "dialogs/about_text.h"
#include "dialogs/feedback.h"
#include "dialogs/help_text.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QUrlQuery>
#include <QWidget>

using namespace platform;

TEST(Feedback, NoOpensNothingAndYesOpensTheMailWithSubjectOnly) {
    CRecordingMessageBoxes boxes;
    CRecordingUrlHandler mail;
    CMessageBoxes* previous = g_app.m_messageBoxes;
    g_app.m_messageBoxes = &boxes;
    QWidget screen;
    boxes.Answer(IDNO);
    SendFeedback(&screen);
    EXPECT_TRUE(mail.Urls().isEmpty());
    boxes.Answer(IDYES);
    SendFeedback(&screen);
    g_app.m_messageBoxes = previous;

    ASSERT_EQ(boxes.ShownBoxes().size(), 2u);
    for (const auto& shown : boxes.ShownBoxes()) {
        EXPECT_EQ(shown.text, QStringLiteral("Do you want to send a feedback e-mail now?"));
        EXPECT_EQ(shown.caption, QStringLiteral("Dormo"));
        EXPECT_EQ(shown.flags, 0x24u);
        EXPECT_EQ(shown.owner, &screen);
    }
    ASSERT_EQ(mail.Urls().size(), 1);
    EXPECT_EQ(mail.Urls()[0].toString(QUrl::FullyEncoded),
              QStringLiteral("mailto:dormo-feedback@venholt.example"
                             "?subject=Feedback%20on%20Dormo%20for%20Windows%20Mobile"));
    const QUrlQuery query(mail.Urls()[0]);
    EXPECT_EQ(query.queryItems().size(), 1) << "no body, no copies";
}

TEST(FirstRun, NoticeHasSixLinesWithTheSetUpPage) {
    const QStringList lines = FirstRunNotice().split(u'\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("To use Dormo, you will need to set up the Dormo-"));
    EXPECT_EQ(lines[1], QStringLiteral("Helper on your computer."));
    EXPECT_TRUE(lines[2].isEmpty());
    EXPECT_EQ(lines[3], QStringLiteral("Please load"));
    const QUrl page(lines[4]);
    EXPECT_TRUE(page.host().endsWith(QStringLiteral(".example")));
    EXPECT_EQ(page.path(), QStringLiteral("/Dormo"));
    EXPECT_EQ(lines[5], QStringLiteral(" on your computer for setup instructions"));
}

TEST(Help, ResourceIsUtf16WithMarkCrLfAndNoZero) {
    QFile resource(QStringLiteral(":/text/help.txt"));
    HelpText();  // registers the library's resources
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    const QByteArray bytes = resource.readAll();
    ASSERT_GE(bytes.size(), 4);
    EXPECT_EQ(bytes.left(2), QByteArray("\xff\xfe"));
    EXPECT_EQ(bytes.size() % 2, 0);
    EXPECT_NE(bytes.right(2), QByteArray(2, '\0')) << "no terminating zero";
    const QString raw = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                           (bytes.size() - 2) / 2);
    EXPECT_EQ(raw.count(u'\n'), raw.count(QStringLiteral("\r\n"))) << "every line ends in CR LF";

    // The committed resource is the conversion of its editable source.
    QFile source(QStringLiteral(DORMO_HELP_SOURCE));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString(raw).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
              QString::fromUtf8(source.readAll()))
        << "run scripts/make-help-text";
}

TEST(Help, TextShownHasNoMarkAndBothSections) {
    const QString text = HelpText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("How to get Dormo working for you...\n")));
    EXPECT_FALSE(text.contains(QChar(0xfeff)));
    EXPECT_FALSE(text.contains(u'\r'));
    EXPECT_FALSE(text.contains(QChar(0)));
    EXPECT_TRUE(text.endsWith(QStringLiteral("for the Dormo Helper.\n"))) << "nothing beyond";
    const QStringList sections = text.split(QStringLiteral("\n===\n"));
    ASSERT_EQ(sections.size(), 2);
    EXPECT_TRUE(sections[0].contains(QStringLiteral("Enjoy!")));
    EXPECT_TRUE(sections[0].contains(QStringLiteral("{dormo-feedback@venholt.example}")));
    EXPECT_TRUE(sections[1].startsWith(QStringLiteral("Firewall Problems...")));
    for (const char* needle :
         {"Windows Firewall", "System Preferences", "firewalld", "ufw", "5353/udp", "4660"})
        EXPECT_TRUE(sections[1].contains(QLatin1String(needle))) << needle;
}

#include "core/reading/CardCropper.h"
#include "core/reading/CollectorStripParser.h"
#include "core/reading/TextPasses.h"
#include "platform/TesseractTextRecognizer.h"
#include "support/SyntheticScan.h"
#include "support/TempHome.h"

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace vantry;
using test::SyntheticCard;

// Rendered cards through crop, the four real text passes and the parser.
TEST(RecognitionOnRenderedCards, ReadsSetLanguageAndNumber)
{
    ASSERT_TRUE(TesseractTextRecognizer::available());
    struct Case {
        const char* name;
        SyntheticCard card;
        QByteArray format;
        QString set, language, number;
        bool token = false;
    };
    auto with = [](SyntheticCard c, int dpi, bool dark, bool overArt = false) {
        c.dpi = dpi;
        c.darkBorder = dark;
        c.stripOverArt = overArt;
        return c;
    };
    SyntheticCard token = SyntheticCard::modern("Goblin", "MKM", "0012", u'T');
    token.typeLine = "Token Creature — Goblin";
    SyntheticCard legalBesideNumber = SyntheticCard::modern("Sheoldred", "DMU", "0107", u'M');
    legalBesideNumber.legalOnLine = 0; // joined to the number by a line-based engine
    SyntheticCard foil = SyntheticCard::modern("Ragavan", "MH2", "0138", u'M', "EN", true);
    const std::vector<Case> cases{
        {"legal line beside the number", with(legalBesideNumber, 300, true), "PNG", "DMU", "en", "0107"},
        {"foil star separator", with(foil, 600, false), "PNG", "MH2", "en", "0138"},
        {"modern dark 300", with(SyntheticCard::modern("Goblin Guide", "DSK", "0255", u'L'), 300, true), "PNG", "DSK",
         "en", "0255"},
        {"modern light japanese", with(SyntheticCard::modern("Lightning Bolt", "NEO", "0045", u'C', "JA"), 300, false),
         "JPEG", "NEO", "ja", "0045"},
        {"classic 600", with(SyntheticCard::classic("Ulamog's Crusher", "BFZ", "171", "274"), 600, true), "PNG",
         "BFZ", "en", "171"},
        {"token", with(token, 300, true), "PNG", "MKM", "en", "0012", true},
        {"strip over art, german", with(SyntheticCard::modern("Questing Druid", "WOE", "0120", u'U', "DE"), 300,
                                        true, true),
         "JPEG", "WOE", "de", "0120"},
    };
    test::TempHome home;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = home.file(QString(c.name).replace(' ', '-') + ".img");
        ASSERT_TRUE(test::saveSyntheticScan(c.card, path, c.format));
        const auto crop = CardCropper::croppedImage(path);
        ASSERT_TRUE(crop);
        const auto lines = QCoro::waitFor(
            TextPasses::recognizeAttributionLines(TesseractTextRecognizer::shared(), *crop));
        const CardAttribution a = parseAttribution(lines);
        QStringList read;
        for (const auto& l : lines)
            read << l.text + u'@' + QString::number(l.midY, 'f', 2);
        SCOPED_TRACE(read.join(" | ").toStdString());
        EXPECT_EQ(a.setCode, c.set);
        EXPECT_EQ(a.language, c.language);
        EXPECT_EQ(a.collectorNumber, c.number);
        EXPECT_EQ(a.isToken, c.token);
        EXPECT_EQ(a.title, c.card.title);
    }
}

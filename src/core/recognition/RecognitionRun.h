#pragma once

#include "core/reading/SeparatorGlyph.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "core/resolution/AttributionResolution.h"

#include <QStringList>

namespace vantry {

// One scan's way through the recognizer: what has been read and decided so far, and the
// steps that read and resolve the scan, in the order VisionCardRecognizer::recognize takes
// them. A step that settles the scan gives its outcome; the others leave what they found
// for the steps after them. The run holds copies of everything it needs (the recognizer may
// go away while it runs); whoever starts a step keeps the run alive until the step ends.
class RecognitionRun {
public:
    // The outcome of a step that settled the scan; none when the next step goes on.
    using Settled = std::optional<RecognitionOutcome>;

    RecognitionRun(std::shared_ptr<const CardResolving> resolver, std::shared_ptr<const ArtCardMatching> matcher,
                   std::function<bool()> autoFoilDetect, VisionCardRecognizer::Options options, QImage image,
                   ScanFinish finish, CardRecognizing::BackLoader back, CPULane lane);
    RecognitionRun(const RecognitionRun&) = delete;
    RecognitionRun& operator=(const RecognitionRun&) = delete;

    // 1-2. The collector strip and the title bar, and the strip's corner again when its
    // number was not read complete.
    QCoro::Task<void> firstRead();
    // 3. The finish: the glyph, then the collector mark, then the caller's, when detection is on.
    QCoro::Task<void> readFinish();
    // A complete strip confirmed by its title bar, or else by the top of the card.
    QCoro::Task<Settled> confirmStrip();
    // Cards without a strip: the title's name search, the title read closer and turned; what
    // they find decides which of the remaining passes are read.
    QCoro::Task<void> cardWithoutStrip();
    // The passes the first read left (the whole card, the band, the wide strip), as decided.
    QCoro::Task<void> readRemainingPasses();
    // 4-5. The "[recognize]" summary and raw lines of what was read.
    void traceReading() const;
    // 6. The exact printing by set and number; a printing its titles do not back is demoted.
    QCoro::Task<Settled> exactPrinting();
    // Whether the full read's title of a card without a strip names a card standing upright.
    QCoro::Task<void> nameStriplessCard();
    // 7. The card read turned, for landscape cards lying on their side.
    QCoro::Task<Settled> sidewaysReread();
    // 8. A demoted printing joins the name search.
    QCoro::Task<Settled> demotedJoinsNameSearch();
    // 9. The scanned side is an Art Series text side.
    QCoro::Task<Settled> artSide();
    // 10. The name search for the title.
    QCoro::Task<Settled> nameSearch();
    // 11. The visual art match, with the back read as an Art Series text side first.
    QCoro::Task<Settled> visualArtMatch();
    // 12. Nothing found.
    RecognitionOutcome nothingParsed() const;

private:
    QCoro::Task<void> readCornerWhenIncomplete();
    QCoro::Task<void> readTitleLineCloser();
    QCoro::Task<void> takeCloserTitle(std::vector<OCRLine> closerLines);
    QCoro::Task<bool> turnedTitleNamesACard();
    QCoro::Task<std::optional<AttributionResolution>> confirmByTitleRead(std::vector<OCRLine> lines);
    QCoro::Task<std::vector<OCRLine>> readTurnedTitleLine() const;
    void chooseFinish();
    QCoro::Task<std::vector<Candidate>> nameCandidates(QString title, CardAttribution attribution,
                                                       ScanFinish finish) const;

    bool stripLanguage() const;
    bool completeStrip() const;
    bool stripless() const;
    // The title when one was read.
    std::optional<QString> title() const;

    // What the run was given.
    std::shared_ptr<const CardResolving> resolver_;
    std::shared_ptr<const ArtCardMatching> matcher_;
    std::function<bool()> autoFoilDetect_;
    VisionCardRecognizer::Options options_;
    QImage image_;
    ScanFinish finish_;
    CardRecognizing::BackLoader back_;
    CPULane lane_;
    // The resolver's set-and-number lookup, each asked once per scan.
    SetCollectorLookup lookup_;

    // What was read.
    std::vector<OCRLine> lines_;
    CardAttribution attribution_;
    QStringList titles_;
    bool cornerRead_ = false;

    // The finish.
    bool detectFinish_ = false;
    SeparatorGlyph glyph_ = SeparatorGlyph::unknown;
    ScanFinish chosen_;
    QString finishNote_;

    // What the steps decided.
    bool stripSettled_ = false; // a complete strip that its titles did not confirm goes to review
    std::optional<std::vector<Candidate>> earlyNames_; // a name search made before step 10
    std::optional<QString> searchedTitle_;              // the title `earlyNames_` were found for
    bool namedUpright_ = false;
    bool namedWhole_ = false; // the title reads most of a name found for it
    double nameShare_ = 0;    // the largest share of a found name's words the title reads
    bool readRemaining_ = false;
    bool readBand_ = true;
    bool readSideways_ = true;
    std::optional<Candidate> demoted_;
};

} // namespace vantry

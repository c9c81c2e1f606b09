#pragma once

#include "core/card/Candidate.h"
#include "core/card/ScanFinish.h"
#include "core/reading/CollectorMatching.h"

#include <QLocale>
#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// The manual-add sheet without widgets: its fields, what they enable, and the search's
// bookkeeping. Each opening of the sheet starts from a fresh value.
struct ManualAddSheetState {
    // A search the sheet started; its answer counts only while it is the latest one.
    struct Search {
        quint64 generation = 0;
        QString text; // trimmed
        ScanFinish finish = ScanFinish::nonfoil;
        ManualSearchKind kind = ManualSearchKind::any;
    };

    // What the results area shows.
    enum class Content { searching, prompt, noMatch, results };

    static constexpr int minimumQuantity = 1;
    static constexpr int maximumQuantity = 99;

    QString query;
    ManualSearchKind kind = ManualSearchKind::any;
    ScanFinish finish = ScanFinish::nonfoil;
    std::vector<Candidate> results; // as the last answered search returned them
    std::optional<QString> selectedId;
    int quantity = 1;
    bool isSearching = false;
    bool searched = false; // some search has answered since the sheet opened

    // The first result with the selected id.
    std::optional<Candidate> selectedCandidate() const;
    bool canSearch() const;
    bool canAdd() const { return selectedCandidate().has_value(); }
    Content content() const;

    // Starts a search of the current text, kind and finish; none (nothing changes) for blank text.
    // A search started while another runs supersedes it.
    std::optional<Search> beginSearch();
    // The answer of `search`: applied (first result selected) when it is the latest search and
    // the batch model did not drop it as stale; returns whether it was applied.
    bool finishSearch(const Search& search, const std::optional<std::vector<Candidate>>& answer);
    // Stepper and typed values stay within 1...99.
    void setQuantity(int value);
    // What "Add to batch" adds: the selected printing in the sheet's finish, prices as found.
    std::optional<Candidate> candidateToAdd() const;

    // The two lines of the placeholder for `content` (prompt or no match).
    static QString placeholderTitle(Content content);
    static QString placeholderHint(Content content);
    // "SET · #number" under a result's name.
    static QString resultDetail(const Candidate& candidate);
    // The result's price in US dollars, written the locale's way; none without a price.
    static std::optional<QString> resultPrice(const Candidate& candidate, const QLocale& locale = QLocale());
    static QString quantityLabel(int quantity);

private:
    quint64 generation_ = 0;
};

} // namespace vantry

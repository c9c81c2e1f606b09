#pragma once

#include "core/card/Candidate.h"

#include <QAbstractButton>

#include <memory>

namespace vantry {

class CatalogImageCache;

// One candidate printing of a card row: thumbnail, name, set and number, art mark and score;
// a click confirms it (the row connects `clicked`). No Q_OBJECT: it adds no signal, and stays
// a QAbstractButton to the widget probe.
class CandidateButton : public QAbstractButton {
public:
    CandidateButton(const Candidate& candidate, const std::shared_ptr<CatalogImageCache>& images,
                    const QString& imageBase, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

} // namespace vantry

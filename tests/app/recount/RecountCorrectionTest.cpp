#include "app/recount/RecountCorrection.h"

#include "core/recognition/Disposition.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

CaptureViewModel::Row row(int index, const QString& id, ScanFinish finish, bool signature = false)
{
    CaptureViewModel::Row r;
    r.id = QUuid::createUuid();
    r.card.index = index;
    Candidate c;
    c.scryfallId = id;
    c.finish = finish;
    c.isArtSeries = signature;
    if (signature)
        c.artSeriesVariant = ArtSeriesVariant::signature;
    r.chosen = c;
    return r;
}

TEST(RecountCorrection, AGroupIsTheRowsOfItsItemIdInScanOrder)
{
    std::vector<CaptureViewModel::Row> rows{row(4, "x", ScanFinish::nonfoil), row(1, "x", ScanFinish::nonfoil),
                                            row(2, "x", ScanFinish::foil),    row(3, "x", ScanFinish::nonfoil, true),
                                            row(0, "x", ScanFinish::nonfoil)};
    rows.push_back(rows[0]);
    rows.back().id = QUuid::createUuid();
    rows.back().chosen.reset(); // unconfirmed: in no group

    ScanItemPayload plain;
    plain.itemId = scanItemId(*rows[0].chosen);
    ScanItemPayload signature;
    signature.itemId = scanItemId(*rows[3].chosen);
    ASSERT_NE(plain.itemId, signature.itemId);

    const QSet<QUuid> ids = RecountCorrection::rowIdsMatching(plain, rows);
    std::vector<int> order;
    for (const auto& r : RecountCorrection::correctionRows(ids, rows))
        order.push_back(r.card.index);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 4})); // not the foil, not the signature copy
    EXPECT_EQ(RecountCorrection::rowsMatching(signature, rows).size(), 1u);

    // Listed rows stay whatever their match becomes; rows gone from the batch leave.
    rows[1].chosen->scryfallId = "y";
    rows.erase(rows.begin());
    order.clear();
    for (const auto& r : RecountCorrection::correctionRows(ids, rows))
        order.push_back(r.card.index);
    EXPECT_EQ(order, (std::vector<int>{0, 1}));
}

} // namespace
} // namespace vantry

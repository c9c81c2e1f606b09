// The review list with a batch of 1,000 rows (a third needing review with candidates, tokens,
// Art Series cards, prices of every tier), offscreen at 1100 x 760:
//   scroll steps — one page, and one wheel step, with the rows painted, into rows never shown
//   before (their widgets are made) and through rows already shown;
//   filters — "needs review only" and back to every row, with the list painted, before and
//   after every row has a widget;
//   a model publication that changes one row, with every row's widget made.
// The CPU column is the main thread's own time (the list runs on it only).
#include "app/batch/CaptureViewModel.h"
#include "app/review/ReviewBarsState.h"
#include "app/review/ReviewRows.h"
#include "views/ReviewList.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vantry;

namespace {

using Row = CaptureViewModel::Row;

std::vector<Row> batch(int count)
{
    QImage thumbnail(264, 368, QImage::Format_ARGB32_Premultiplied);
    thumbnail.fill(QColor(200, 190, 170));
    std::vector<Row> rows;
    rows.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        Row row;
        row.id = QUuid::createUuid();
        row.card.index = i;
        row.card.front = QStringLiteral("/home/me/Pictures/B0012/scan_%1.jpg").arg(i + 1, 4, 10, QChar('0'));
        row.thumbnail = thumbnail;
        for (int k = 0; k < 1 + i % 5; ++k) {
            Candidate c;
            c.scryfallId = QStringLiteral("%1-%2").arg(i).arg(k);
            c.name = QStringLiteral("Card Number %1 Variant %2").arg(i).arg(k);
            c.setCode = QStringLiteral("neo");
            c.collectorNumber = QString::number(i + 1);
            c.score = 0.95 - 0.1 * k;
            c.priceUSD = std::vector<double>{0.25, 2.5, 7.0, 25.0, 80.0}[std::size_t(i % 5)];
            c.isArtSeries = i % 11 == 0;
            row.candidates.push_back(c);
        }
        row.isToken = i % 7 == 0;
        row.isArtSeries = i % 11 == 0;
        if (i % 3 != 0) {
            row.chosen = row.candidates.front();
            row.disposition = Disposition::autoConfirm;
            row.reviewed = i % 10 == 1;
        } else {
            row.disposition = i % 2 ? Disposition::review : Disposition::unresolved;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

struct Scene {
    std::shared_ptr<CaptureViewModel> model;
    std::unique_ptr<ReviewList> list;
    std::vector<QUuid> all, needsReview;

    Scene()
    {
        CaptureViewModel::Collaborators c;
        c.artMatcher = std::shared_ptr<const ArtCardMatching>();
        model = CaptureViewModel::create(nullptr, std::move(c));
        test::testAccess(*model).setRows(batch(1000));
        for (const Row& row : model->rows()) {
            all.push_back(row.id);
            if (!row.chosen)
                needsReview.push_back(row.id);
        }
        // Image addresses on a closed local port: no request leaves the machine.
        list = std::make_unique<ReviewList>(
            model, CardRowOptions{std::make_shared<CatalogImageCache>(), QStringLiteral("http://127.0.0.1:9/"), false});
        list->resize(1100, 760);
        list->show();
        list->setRows(model->rows(), all);
        paint();
    }
    void paint()
    {
        list->viewport()->repaint();
        QApplication::processEvents();
    }
    QScrollBar& bar() const { return *list->verticalScrollBar(); }
    void visitAll()
    {
        for (int v = 0; v <= bar().maximum(); v += bar().pageStep())
            bar().setValue(v);
        bar().setValue(bar().maximum());
        bar().setValue(0);
        QApplication::processEvents();
    }
};

// Steps of `step(scene)` pixels down the list; a fresh list whenever the end is reached, so
// with `cold` every step lands on rows never shown.
void scroll(benchmark::State& state, bool cold, bool page)
{
    auto scene = std::make_unique<Scene>();
    if (!cold)
        scene->visitAll();
    std::int64_t made = 0;
    for (auto _ : state) {
        const int step = page ? scene->bar().pageStep() : 3 * scene->bar().singleStep();
        if (scene->bar().value() + step > scene->bar().maximum()) {
            state.PauseTiming();
            if (cold) {
                scene.reset();
                scene = std::make_unique<Scene>();
            } else {
                scene->bar().setValue(0);
                scene->paint();
            }
            state.ResumeTiming();
        }
        const int before = scene->list->widgetCount();
        scene->bar().setValue(scene->bar().value() + step);
        scene->paint();
        made += scene->list->widgetCount() - before;
    }
    state.counters["rows_made_per_step"] = benchmark::Counter(double(made) / double(state.iterations()));
}

void BM_ScrollPageNewRows(benchmark::State& state) { scroll(state, true, true); }
void BM_ScrollPageShownRows(benchmark::State& state) { scroll(state, false, true); }
void BM_ScrollWheelNewRows(benchmark::State& state) { scroll(state, true, false); }
void BM_ScrollWheelShownRows(benchmark::State& state) { scroll(state, false, false); }

void filter(benchmark::State& state, bool everyRowMade)
{
    Scene scene;
    if (everyRowMade)
        scene.visitAll();
    scene.bar().setValue(scene.bar().maximum() / 2);
    bool narrow = true;
    for (auto _ : state) {
        // The filter itself, as the window derives it: context, ordered rows and the bars' state.
        CaptureFilters filters;
        filters.needsReviewFilter = narrow;
        const auto& rows = scene.model->rows();
        const ReviewFilterContext context = ReviewFilterContext::make(rows, filters);
        const auto ordered = ReviewRows::ordered(rows, filters, context, ReviewSort::smart);
        benchmark::DoNotOptimize(ReviewBarsState::of(rows, filters, context, ordered.size(), ReviewSort::smart));
        std::vector<QUuid> visible;
        visible.reserve(ordered.size());
        for (const Row* row : ordered)
            visible.push_back(row->id);
        scene.list->setRows(rows, visible);
        scene.paint();
        narrow = !narrow;
    }
    state.counters["widgets"] = scene.list->widgetCount();
}

// The derivation alone over a 1,000-row batch: a two-word search and a price sort.
void BM_DeriveSearchAndSort(benchmark::State& state)
{
    Scene scene;
    CaptureFilters filters;
    filters.searchText = QStringLiteral("card 1");
    for (auto _ : state) {
        const auto& rows = scene.model->rows();
        const ReviewFilterContext context = ReviewFilterContext::make(rows, filters);
        const auto ordered = ReviewRows::ordered(rows, filters, context, ReviewSort::priceHighToLow);
        benchmark::DoNotOptimize(ReviewBarsState::of(rows, filters, context, ordered.size(),
                                                     ReviewSort::priceHighToLow));
    }
}

void BM_ApplyFilter(benchmark::State& state) { filter(state, false); }
void BM_ApplyFilterEveryRowMade(benchmark::State& state) { filter(state, true); }

void BM_PublishOneChangedRow(benchmark::State& state)
{
    Scene scene;
    scene.visitAll();
    bool reviewed = false;
    for (auto _ : state) {
        state.PauseTiming();
        auto rows = scene.model->rows();
        rows[1].reviewed = reviewed = !reviewed;
        test::testAccess(*scene.model).setRows(std::move(rows));
        state.ResumeTiming();
        scene.list->setRows(scene.model->rows(), scene.all);
        scene.paint();
    }
    state.counters["widgets"] = scene.list->widgetCount();
}

} // namespace

BENCHMARK(BM_ScrollPageNewRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollPageShownRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollWheelNewRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollWheelShownRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeriveSearchAndSort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyFilterEveryRowMade)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PublishOneChangedRow)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

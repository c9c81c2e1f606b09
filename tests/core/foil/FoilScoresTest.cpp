#include "core/foil/FoilDetector.h"
#include "core/foil/MoireDetector.h"
#include "core/foil/HighlightDetector.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vantry;

TEST(FoilScores, ChromaticScore)
{
    struct Case {
        const char* name;
        ColorStats scan, reference;
        double score;
    };
    const std::vector<Case> cases = {
        {"identical", {0.4, 0.5, 0.2}, {0.4, 0.5, 0.2}, 0},
        {"half the saturation", {0.2, 0.5, 0.2}, {0.4, 0.5, 0.2}, 0.35},
        {"saturation gone, spread up 0.15", {0.0, 0.5, 0.35}, {0.4, 0.5, 0.2}, 1.0},
        {"spread up beyond 0.15 caps at 0.3", {0.4, 0.5, 0.5}, {0.4, 0.5, 0.2}, 0.3},
        {"grey reference: only the spread term", {0.0, 0.5, 0.5}, {0.1, 0.5, 0.2}, 0.3},
        {"scan more saturated and flatter: 0", {0.8, 0.9, 0.1}, {0.4, 0.5, 0.2}, 0},
        {"luminance plays no part", {0.4, 0.1, 0.2}, {0.4, 0.9, 0.2}, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(FoilDetector::foilScore(c.scan, c.reference), c.score, 1e-12) << c.name;
    EXPECT_NEAR(FoilDetector::combinedFoilScore(1.0, 0.5), 0.65, 1e-12);
}

TEST(FoilScores, HighlightScore)
{
    struct Case {
        const char* name;
        SpecularStats scan, reference;
        double score;
    };
    const SpecularStats ref{0.7, 0.2, 0.33, 0.01};
    const std::vector<Case> cases = {
        {"identical", ref, ref, 0},
        {"all four saturate", {0.9, 0.5, 0.5, 0.2}, ref, 1.0},
        {"bluer by half the range", {0.7, 0.2, 0.405, 0.01}, ref, 0.2},
        {"brighter only", {0.85, 0.2, 0.33, 0.01}, ref, 0.1},
        {"every difference negative", {0.5, 0.1, 0.2, 0.0}, ref, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(SpecularDetector::foilScore(c.scan, c.reference), c.score, 1e-12) << c.name;
}

TEST(FoilScores, MoireProminence)
{
    std::vector<double> flat(256, 5.0);
    std::vector<double> peak = flat;
    peak[20] = 20.0; // baseline 5: prominence 0.75
    std::vector<double> twoPeaks = peak;
    twoPeaks[30] = 50.0; // prominence 0.9
    std::vector<double> outside = flat;
    outside[60] = 100.0; // above 0.18 N = 46
    std::vector<double> atEdge = flat;
    atEdge[45] = 100.0; // hi - 1: not tested (peaks run to hi - 2)
    std::vector<double> lowPeak = flat;
    lowPeak[7] = 10.0; // baseline from 10, 11, 12 only: 2, 3 and 4 lie below lo = 5
    lowPeak[2] = lowPeak[3] = lowPeak[4] = 1000.0;
    struct Case {
        const char* name;
        std::vector<double> s;
        int nyquist;
        double score;
    };
    const std::vector<Case> cases = {
        {"constant", flat, 256, 0},
        {"one peak", peak, 256, 0.75},
        {"largest prominence wins", twoPeaks, 256, 0.9},
        {"peak outside the band", outside, 256, 0},
        {"peak at the band edge", atEdge, 256, 0},
        {"peak near the low end", lowPeak, 256, 0.5},
        {"Nyquist bin 20", peak, 20, 0},
        {"spectrum shorter than Nyquist", std::vector<double>(100, 1.0), 256, 0},
        {"all zero", std::vector<double>(256, 0.0), 256, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(MoireDetector::foilProminenceScore(c.s, c.nyquist), c.score, 1e-12) << c.name;
}

#include "core/support/Json.h"

#include <gtest/gtest.h>

using namespace vantry;

TEST(JsonSorted, WritesSortedIndentedStableForm)
{
    QJsonObject inner{{"zeta", true}, {"alpha", QJsonValue::Null}};
    QJsonObject object{{"path", "/scans/a b/ü.png"},
                       {"b", 0.1235},
                       {"a", 1.0},
                       {"list", QJsonArray{1, "x\"y\\z\n\t\x01"}},
                       {"empty", QJsonArray{}},
                       {"none", QJsonObject{}},
                       {"Upper", -2},
                       {"inner", inner}};
    const QByteArray expected = "{\n"
                                "  \"Upper\" : -2,\n"
                                "  \"a\" : 1,\n"
                                "  \"b\" : 0.1235,\n"
                                "  \"empty\" : [],\n"
                                "  \"inner\" : {\n"
                                "    \"alpha\" : null,\n"
                                "    \"zeta\" : true\n"
                                "  },\n"
                                "  \"list\" : [\n"
                                "    1,\n"
                                "    \"x\\\"y\\\\z\\n\\t\\u0001\"\n"
                                "  ],\n"
                                "  \"none\" : {},\n"
                                "  \"path\" : \"\\/scans\\/a b\\/\xc3\xbc.png\"\n"
                                "}";
    const QByteArray written = json::serializeSorted(object);
    EXPECT_EQ(written, expected);
    // Whatever the form, it must read back as the same object.
    EXPECT_EQ(json::parseObject(written), object);
}

TEST(JsonSorted, NumbersReadBackExactly)
{
    const std::vector<double> values{0.1, 1.0 / 3.0, 1e-7, 123456789.125, 1e20, -0.5, 0};
    for (double v : values) {
        const QByteArray written = json::serializeSorted(QJsonArray{v});
        EXPECT_EQ(json::parseArray(written).at(0).toDouble(), v) << written.constData();
    }
}

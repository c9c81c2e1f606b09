#include "core/support/Json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantry;

TEST(Json, RequiredAndOptionalKeysFollowTheStrictRules)
{
    struct Case {
        const char* text;
        bool ok;
    };
    // Reads "name" (required string), "count" (required integer), "price" (optional number).
    const Case cases[] = {
        {R"({"name":"a","count":2})", true},
        {R"({"name":"a","count":2,"price":null})", true},
        {R"({"name":"a","count":2,"price":1.5,"extra":[1,2]})", true},
        {R"({"count":2})", false},                          // missing required
        {R"({"name":null,"count":2})", false},              // null required
        {R"({"name":5,"count":2})", false},                 // wrong type
        {R"({"name":"a","count":2.5})", false},             // non-integral integer
        {R"({"name":"a","count":"2"})", false},             // number as string
        {R"({"name":"a","count":2,"price":"1"})", false},   // optional present with wrong type
        {R"({"name":"a","count":1e300})", false},           // beyond exact integers
        {R"([1,2])", false},                                // not an object
        {R"({"name":"a",)", false},                         // malformed
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto read = [&] {
            const json::Reader r(json::parseObject(QByteArray(c.text)));
            r.string("name");
            r.integer("count");
            r.optNumber("price");
        };
        if (c.ok)
            EXPECT_NO_THROW(read());
        else
            EXPECT_THROW(read(), json::Error);
    }
}

TEST(Json, OptionalsAreOmittedAndNonFiniteNumbersRefused)
{
    json::Writer w;
    w.set("a", 1.25).setOpt("b", std::optional<double>{}).setOpt("c", std::optional<QString>{"x"});
    EXPECT_EQ(json::serialize(w.object()), QByteArray(R"({"a":1.25,"c":"x"})"));

    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        json::Writer v;
        EXPECT_THROW(v.set("price", bad), json::Error);
        EXPECT_THROW(v.setOpt("price", std::optional<double>(bad)), json::Error);
    }
}

TEST(Json, ErrorsNameTheKeyPath)
{
    try {
        const json::Reader outer(json::parseObject(R"({"inner":{"x":"no"}})"));
        const json::Reader inner(outer.objectAt("inner"), outer.path("inner"));
        inner.integer("x");
        FAIL() << "expected a decoding error";
    } catch (const json::Error& e) {
        EXPECT_NE(std::string(e.what()).find("inner.x"), std::string::npos) << e.what();
    }
}

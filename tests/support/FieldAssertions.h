// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <utility>

// EXPECT_EQ on two tuples prints both whole, and a reader has to find which of four or five values
// differs. These name it: "field 3 of 4: 12 where 11 was expected".
#define EXPECT_FIELDS_EQ(actual, expected)                                                                   \
    EXPECT_PRED_FORMAT2(::FieldAssertions::fieldsEqual, actual, expected)
#define ASSERT_FIELDS_EQ(actual, expected)                                                                   \
    ASSERT_PRED_FORMAT2(::FieldAssertions::fieldsEqual, actual, expected)

namespace FieldAssertions {

template<typename... Actual, typename... Expected, size_t... Index>
void describeDifferences(std::ostream& out, const std::tuple<Actual...>& actual,
                         const std::tuple<Expected...>& expected, std::index_sequence<Index...>)
{
    const auto field = [&](auto index) {
        const auto& a = std::get<decltype(index)::value>(actual);
        const auto& b = std::get<decltype(index)::value>(expected);
        if (!(a == b))
            out << "\n  field " << (decltype(index)::value + 1) << " of " << sizeof...(Index) << ": "
                << ::testing::PrintToString(a) << " where " << ::testing::PrintToString(b) << " was expected";
    };
    (field(std::integral_constant<size_t, Index>()), ...);
}

template<typename... Actual, typename... Expected>
::testing::AssertionResult fieldsEqual(const char* actualText, const char*,
                                       const std::tuple<Actual...>& actual,
                                       const std::tuple<Expected...>& expected)
{
    static_assert(sizeof...(Actual) == sizeof...(Expected), "both tuples need the same number of fields");
    if (actual == expected)
        return ::testing::AssertionSuccess();
    std::ostringstream out;
    out << actualText << " differs:";
    describeDifferences(out, actual, expected, std::index_sequence_for<Actual...>());
    return ::testing::AssertionFailure() << out.str();
}

} // namespace FieldAssertions

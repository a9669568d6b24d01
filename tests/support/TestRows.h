#pragma once

#include <gtest/gtest.h>
#include <ostream>
#include <string>

// Table rows carry a name: it names the test case, and a failing row is shown by it rather than
// dumped as bytes.
template <typename Row> std::string RowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

template <typename Row>
requires requires(const Row& row)
{
    row.name;
}
void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

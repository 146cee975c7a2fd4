// The texts a DXF file is made of: numbers that never overflow their buffer nor write "inf",
// and layer, style and block names that CAD programs cannot take for one another.

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "exchange/dxf_names.h"
#include "exchange/dxf_number.h"

namespace plotaktar {
namespace {

TEST(DxfNumber, EveryValueHasAWholeTextOfItsForm) {
    constexpr double kMax = std::numeric_limits<double>::max();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Row {
        double value;
        DxfNumberForm form;
        std::string_view text;
    };
    const Row rows[] = {
        {4512345.678, DxfNumberForm::RoundTrip, "4512345.678"},
        {12, DxfNumberForm::RoundTrip, "12.0"},
        {-0.0, DxfNumberForm::RoundTrip, "0.0"},
        {1e29, DxfNumberForm::RoundTrip, "1e+29"},
        {-kMax, DxfNumberForm::RoundTrip, "-1.7976931348623157e+308"},
        {std::numeric_limits<double>::denorm_min(), DxfNumberForm::RoundTrip, "5e-324"},
        {1234.5, DxfNumberForm::Decimals2, "1234.50"},
        {-0.001, DxfNumberForm::Decimals2, "-0.00"},
        {999999999999999.9, DxfNumberForm::Decimals2, "999999999999999.88"},
        {1e15, DxfNumberForm::Decimals2, "1e+15"},
        {1.5e29, DxfNumberForm::Decimals2, "1.5e+29"},
        {kMax, DxfNumberForm::Decimals2, "1.7976931348623157e+308"},
        {kInf, DxfNumberForm::Decimals2, "inf"},
        {-kInf, DxfNumberForm::RoundTrip, "-inf"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DxfNumber(row.value, row.form).text(), row.text) << row.value;
    }
}

TEST(DxfNames, NamesEqualButForCaseOrCleaningGetASuffix) {
    struct Row {
        std::vector<std::string_view> asked;  // in order
        std::vector<std::string> written;
    };
    const Row rows[] = {
        {{"YOL", "yol", "Yol"}, {"YOL", "yol~2", "Yol~3"}},
        {{"YOL", "YOL"}, {"YOL", "YOL~2"}},  // two layers of one name stay two
        {{"A<B", "A>B", "A_B"}, {"A_B", "A_B~2", "A_B~3"}},
        // The Turkish pairs and the four I's, in windows-1254 bytes.
        {{"\xc7\xd0\xd6\xde\xdc", "\xe7\xf0\xf6\xfe\xfc"},
         {"\xc7\xd0\xd6\xde\xdc", "\xe7\xf0\xf6\xfe\xfc~2"}},
        {{"I", "\xfd", "\xdd", "i"}, {"I", "\xfd~2", "\xdd~3", "i~4"}},
        {{"il\xe7"
          "e",
          "ilce"},
         {"il\xe7"
          "e",
          "ilce"}},  // ç is no c
        // A name meeting a suffixed one, and the reserved layer "0".
        {{"a", "A", "a~2"}, {"a", "A~2", "a~2~2"}},
        {{"0", ""}, {"0~2", "_"}},
    };
    for (const Row& row : rows) {
        DxfNameTable table{"0"};
        std::vector<std::string> written;
        for (std::string_view name : row.asked) {
            const DxfNameTable::Written w = table.add(name);
            EXPECT_EQ(w.renamed, w.name != CleanDxfName(name)) << name;
            written.push_back(w.name);
        }
        EXPECT_EQ(written, row.written) << row.asked[0];
    }
}

}  // namespace
}  // namespace plotaktar

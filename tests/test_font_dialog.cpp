// PTE_ChooseFont over a font dialog standing in for the system's: what the
// dialog is opened on, what a choice hands back, and a dialog that cannot
// be shown, which is reported and opened again from a zeroed record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "support/engine_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Answers each opening from a script of (result, error); a choice writes
// `face` into the record and picks `colour`.
class ScriptedDialog final : public platform::FontDialog {
public:
    struct Answer {
        int32_t result;
        uint32_t error;
    };
    struct Opening {
        void* owner;
        Bytes record;
        uint32_t colour;
        uint32_t flags;
    };
    std::vector<Answer> answers;
    std::vector<Opening> openings;
    std::string face = "Serif";
    uint32_t colour = 0x00123456;

    int32_t choose(platform::FontDialogRecord& d, uint32_t& error) override {
        openings.push_back({d.owner, Bytes(d.font, d.font + 60), d.colour, d.flags});
        const Answer a = openings.size() <= answers.size() ? answers[openings.size() - 1] : Answer{0, 0};
        error = a.error;
        if (a.result != 0) {
            std::memset(d.font + 28, 0, 32);
            std::memcpy(d.font + 28, face.c_str(), face.size());  // the face name's place in the record
            d.colour = colour;
        }
        return a.result;
    }
};

class FontDialogTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        before_ = platform::install_font_dialog(&dialog_);
        for (size_t i = 0; i < record_.size(); ++i) record_[i] = uint8_t(i + 1);
        PTE_SetFontRecord(record_.data());
    }
    void TearDown() override {
        platform::install_font_dialog(before_);
        EngineTest::TearDown();
    }
    Bytes record() const {
        Bytes out(60);
        PTE_GetFontRecord(out.data());
        return out;
    }

    ScriptedDialog dialog_;
    Bytes record_ = Bytes(60);

private:
    platform::FontDialog* before_ = nullptr;
};

}  // namespace

TEST_F(FontDialogTest, AChoiceFillsTheRecordAndTheNextDialogStartsFromIt) {
    dialog_.answers = {{1, 0}, {0, 0}};
    PTE_SetLastError("before");
    EXPECT_EQ(PTE_ChooseFont(), 1);
    ASSERT_EQ(dialog_.openings.size(), 1u);
    EXPECT_EQ(dialog_.openings[0].record, record_) << "opened on the stored record";
    EXPECT_EQ(dialog_.openings[0].flags, platform::kFontScreenFonts | platform::kFontFromRecord);
    EXPECT_EQ(dialog_.openings[0].colour, 0u);
    const Bytes chosen = record();
    EXPECT_STREQ(reinterpret_cast<const char*>(chosen.data() + 28), "Serif");
    EXPECT_TRUE(std::equal(chosen.begin(), chosen.begin() + 28, record_.begin())) << "the rest as the dialog left it";

    // A cancelled dialog is no failure: nothing is reported or retried.
    EXPECT_EQ(PTE_ChooseFont(), 0);
    ASSERT_EQ(dialog_.openings.size(), 2u);
    EXPECT_EQ(dialog_.openings[1].colour, 0x00123456u) << "the colour chosen before";
    EXPECT_EQ(record(), chosen);
    EXPECT_STREQ(PTE_GetLastError(), "before");
}

TEST_F(FontDialogTest, ADialogThatCannotBeShownIsReportedAndOpenedAgainFromNothing) {
    dialog_.answers = {{0, 8193}, {1, 0}};
    EXPECT_EQ(PTE_ChooseFont(), 1);
    EXPECT_STREQ(PTE_GetLastError(), "Font Err: CFERR_NOFONTS");
    ASSERT_EQ(dialog_.openings.size(), 2u);
    EXPECT_EQ(dialog_.openings[1].record, Bytes(60, 0)) << "the second opening starts from a zeroed record";
    EXPECT_EQ(dialog_.openings[1].flags, platform::kFontScreenFonts) << "and not from the record's font";
    EXPECT_STREQ(reinterpret_cast<const char*>(record().data() + 28), "Serif");
}

TEST_F(FontDialogTest, EachExtendedErrorHasItsText) {
    const std::pair<uint32_t, const char*> errors[] = {
        {2, "Font Err: CDERR_INITIALIZATION"}, {9, "Font Err: CDERR_MEMALLOCFAILURE"},
        {8194, "Font Err: CFERR_MAXLESSTHANMIN"}, {65535, "Font Err: CDERR_DIALOGFAILURE"},
        {12345, "Font Err: Other Error"}};
    for (const auto& [code, text] : errors) {
        dialog_.openings.clear();
        dialog_.answers = {{0, code}, {0, code}};
        PTE_SetFontRecord(record_.data());
        EXPECT_EQ(PTE_ChooseFont(), 0) << code;
        EXPECT_STREQ(PTE_GetLastError(), text);
        EXPECT_EQ(dialog_.openings.size(), 2u) << "opened once more, not again and again";
        EXPECT_EQ(record(), Bytes(60, 0)) << "zeroed for the second opening";
    }
}

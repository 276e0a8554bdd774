// SPDX-License-Identifier: MIT
// Many zic texts in one zic run: each compiled zone gives the local time the
// same text gives compiled alone, and a text zic refuses takes no other
// text down with it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "libc_local_time.hpp"
#include "qel_time.h"
#include "system/batch_zic.hpp"
#include "system/zic_runner.hpp"

namespace {

TEST(BatchZic, EachTextGetsTheZoneItGetsAlone) {
    const std::string zic = qeltz::find_program("zic");
    const qeltz::ZicWorkspace alone;
    if (zic.empty() || !alone.usable()) GTEST_SKIP() << "zic or zdump is not installed";
    std::vector<std::string> texts;
    // Two texts with rules of the same name: the batch renames each set. The
    // text zic refuses comes last, so that the first two share a run.
    for (const qel_tzset &r :
         {qel_tzset{10100, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}},
          qel_tzset{9500, 1, 60, {3, 2, 0, 2, 0, 0, 0}, {11, 1, 0, 2, 0, 0, 0}}, qel_tzset{10545, 0, 0, {}, {}}}) {
        char text[1024];
        ASSERT_EQ(qel_tzset_to_zicstr(&r, text, sizeof text), QEL_OK);
        texts.emplace_back(text);
    }
    texts.emplace_back("Rule qlrule min max - Feb Sun>=30 2:00 1:00 S\nZone local 1:00 qlrule X%sT\n");
    const qeltz::ScratchDir dir;
    const auto outcomes = qeltz::compile_batch(zic, dir.path(), texts);
    ASSERT_EQ(outcomes.size(), texts.size());
    const qeltz::Window years = qeltz::years_window(2026, 2030);
    for (size_t i = 0; i < texts.size(); ++i) {
        std::string said;
        const std::string single = alone.compile(texts[i], &said);
        EXPECT_EQ(outcomes[i].path.empty(), single.empty()) << texts[i];
        // zic's words come with each text it refuses, and only then.
        EXPECT_TRUE(outcomes[i].said.empty() == said.empty() && said.empty() == !single.empty()) << said;
        if (single.empty()) continue;
        const auto batch = qeltest::libc_local_time(":" + outcomes[i].path, years.from, years.to, 6 * 3600);
        const auto own = qeltest::libc_local_time(":" + single, years.from, years.to, 6 * 3600);
        ASSERT_EQ(batch.size(), own.size()) << texts[i];
        for (size_t k = 0; k < own.size(); ++k) {
            EXPECT_TRUE(batch[k].from == own[k].from && qeltz::same_local_time(batch[k], own[k])) << texts[i];
        }
    }
    // A workspace that compiled them all answers each text with a zone of its
    // own: a C library keeps the zone it read at a path while TZ stays the same.
    qeltz::ZicWorkspace all;
    all.compile_all(texts);
    EXPECT_NE(all.compile(texts[0]), all.compile(texts[1]));
}

}  // namespace

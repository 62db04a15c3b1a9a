// SPDX-License-Identifier: MIT
// Replays the fuzz corpus, findings included, through the fuzz targets' own code in every build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz/capture_targets.h"
#include "fuzz/fuzz_targets.h"
#include "fuzz/mail_targets.h"
#include "fuzz/news_targets.h"
#include "fuzz/text_targets.h"

namespace qs {
namespace {

namespace fs = std::filesystem;

struct Target {
    const char* dir;
    bool (*run)(std::string_view);
};

const Target kTargets[] = {
    {"html_text_fuzz", fuzz::html_text},     {"encoded_words_fuzz", fuzz::encoded_words},
    {"eudora_fuzz", fuzz::eudora},           {"marker_fuzz", fuzz::marker},
    {"separator_fuzz", fuzz::separator},     {"header_run_fuzz", fuzz::header_run},
    {"pegasus_fuzz", fuzz::pegasus},         {"html_text_fuzz", fuzz::html_conversion},
    {"mail_date_fuzz", fuzz::mail_date},     {"message_parser_fuzz", fuzz::message_parser},
    {"decoders_fuzz", fuzz::decoders},       {"unix_mailbox_fuzz", fuzz::unix_mailbox},
    {"detect_fuzz", fuzz::detect},           {"message_files_fuzz", fuzz::message_files},
    {"news_header_fuzz", fuzz::news_header}, {"news_readers_fuzz", fuzz::news_readers},
    {"capture_fuzz", fuzz::capture},
};

TEST(FuzzCorpus, EveryFileKeepsItsBounds) {
    for (const Target& t : kTargets) {
        fs::path dir = fs::path(QS_SOURCE_DIR) / "fuzz" / "corpus" / t.dir;
        ASSERT_TRUE(fs::is_directory(dir)) << dir;
        size_t files = 0;
        for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            EXPECT_TRUE(t.run(bytes.str())) << e.path();
            ++files;
        }
        EXPECT_GT(files, 0u) << dir;
    }
}

}  // namespace
}  // namespace qs

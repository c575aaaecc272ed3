// The progress bar in the status group: hidden while idle, shown below the unchanged status text
// while a long checksum runs, and hidden again when it ends.
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>

#include "tests/core/support/system_md5.h"
#include "tests/ui/support/catalogue_window_fixture.h"

namespace {

using testing_support::CatalogueWindowFixture;

class StatusProgress : public CatalogueWindowFixture {
  protected:
    void SetUp() override { ShowActive(); }

    struct Sighting {
        bool visible;
        int value;
        QString status;
    };

    // Identifies a large source (sparse, so that writing it is quick; summing it takes well over
    // half a second, in the sanitizers' slow build from a smaller file) and notes what the status
    // group shows meanwhile, every 5 ms.
    std::vector<Sighting> IdentifyLongFile() {
#if defined(__SANITIZE_ADDRESS__)
        constexpr std::uintmax_t size = std::uintmax_t{128} << 20;
#else
        constexpr std::uintmax_t size = std::uintmax_t{768} << 20;
#endif
        const std::string path = files.Write("big.exe", "");
        std::filesystem::resize_file(path, size);
        Entry(AddVersion("big.exe", "1.0", "", "Big version")).Md5 = testing_support::SystemMd5Hex(path);
        std::vector<Sighting> sightings;
        QTimer look;
        look.setInterval(5);
        QObject::connect(&look, &QTimer::timeout, [&] {
            sightings.push_back(
                {controls.ProgressBar1->isVisible(), controls.ProgressBar1->value(), StatusText()});
        });
        look.start();
        SetSource(path);
        return sightings;
    }
};

TEST_F(StatusProgress, ALongChecksumShowsRisingProgressBesideItsBlinkingTextAndHidesItAtTheEnd) {
    EXPECT_FALSE(controls.ProgressBar1->isVisible());
    EXPECT_GE(controls.ProgressBar1->y(), controls.Label8->geometry().bottom());
    EXPECT_LT(controls.ProgressBar1->geometry().bottom(), controls.GroupBox3->height() - 1);

    const std::vector<Sighting> sightings = IdentifyLongFile();

    std::vector<int> values;
    for (const Sighting& sighting : sightings) {
        if (!sighting.visible) continue;
        values.push_back(sighting.value);
        EXPECT_EQ(sighting.status, "Calculating md5 checksum...");
    }
    ASSERT_FALSE(values.empty()) << "the bar never appeared in " << sightings.size() << " looks";
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_GT(values.front(), controls.ProgressBar1->minimum());
    EXPECT_LE(values.back(), controls.ProgressBar1->maximum());
    EXPECT_FALSE(sightings.front().visible);  // not before half a second has passed
    EXPECT_FALSE(controls.ProgressBar1->isVisible());
    EXPECT_EQ(StatusText(), "idle");
    EXPECT_EQ(SourceLabel(), "\nBig version");
}

}  // namespace

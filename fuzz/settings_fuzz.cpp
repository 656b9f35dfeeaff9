// Feeds arbitrary bytes to the settings file reader as the station's own settings file. Besides
// not crashing: what the reader takes, the writer writes back to the same values; settings
// loaded from it save and load again unchanged; and after the start-up clamping every number
// lies in the range the settings dialog allows.
#include "settings/RegFileFormat.h"
#include "settings/SettingRanges.h"
#include "settings/SettingsIO.h"
#include "station/SettingsForm.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace caniparc;

namespace {

class BufferStore final : public SettingsStore {
public:
    explicit BufferStore(std::optional<std::vector<NamedValue>> values) {
        if (!values)
            return;
        values_.emplace();
        for (auto& value : *values)
            values_->insert_or_assign(value.name, value.value);
    }
    std::optional<StoredValues> Load() const override { return values_; }
    bool Save(const std::vector<NamedValue>&) override { return false; }

private:
    std::optional<StoredValues> values_;
};

void Check(bool holds) {
    if (!holds)
        std::abort();
}

template <typename T> void CheckIn(T value, Range<T> range) {
    Check(range.Holds(value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string key = SettingsKeyPath("Canitorn");
    const auto values = ParseRegFile(bytes, key);
    if (values)
        Check(ParseRegFile(FormatRegFile(*values, key), key) == values);

    Settings settings;
    LoadSettings(BufferStore(values), settings);
    const auto stored = StoredSettingsValues(settings);
    Settings again;
    Check(LoadSettings(BufferStore(ParseRegFile(FormatRegFile(stored, key), key)), again).valuesTaken ==
          StoredValueCount);
    Check(StoredSettingsValues(again) == stored);

    ClampToDialogRanges(settings);
    CheckIn(settings.Multi, ranges::Multi);
    CheckIn(settings.Adel, ranges::Adel);
    CheckIn(settings.LaufCount, ranges::LaufCount);
    CheckIn(settings.ZeitStandart, ranges::CourseTime);
    CheckIn(settings.ZeitMax, ranges::CourseTime);
    CheckIn(settings.StartLock, ranges::Milliseconds);
    CheckIn(settings.Wait, ranges::Milliseconds);
    CheckIn(settings.AutoEinS, ranges::Milliseconds);
    CheckIn(settings.Dist, ranges::Dist);
    CheckIn(settings.Skor, ranges::Skor);
    CheckIn(settings.QP2, ranges::QP2);
    CheckIn(settings.QP3, ranges::QP3);
    CheckIn(settings.QP4, ranges::QP4);
    CheckIn(settings.LivePort, ranges::LivePort);
    return 0;
}

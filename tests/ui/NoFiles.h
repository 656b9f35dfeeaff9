// A file chooser for tests that never chooses a file.
#pragma once

#include "FileChooser.h"

namespace caniparc::testing {

struct NoFiles final : ui::FileChooser {
    ui::FileChoice ChooseOpen(QWidget*, const QString&, const QStringList&, int) override { return {}; }
    ui::FileChoice ChooseSave(QWidget*, const QString&, const QString&, const QStringList&, int) override { return {}; }
};

} // namespace caniparc::testing

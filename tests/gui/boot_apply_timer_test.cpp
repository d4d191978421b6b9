// SPDX-License-Identifier: GPL-3.0-or-later
// The window's side of the boot-apply record: the record is cleared on the first tick after the
// program has run a minute since the apply, by the clock it is given, and not before.
#include "ui/settings/boot_apply_timer.h"

#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <atomic>

#include "settings/boot_apply_record.h"
#include "settings/settings.h"

using namespace zm;

namespace {

// Time that moves only when the test moves it.
class SetClock final : public os::Clock {
public:
    std::uint32_t TickCount() override { return now.load(); }
    void Sleep(std::uint32_t ms) override { now += ms; }
    std::atomic<std::uint32_t> now{0xFFFF0000u};  // the count wraps during the minute
};

}  // namespace

class BootApplyTimerTest : public QObject {
    Q_OBJECT

private slots:
    void recordIsClearedAMinuteAfterTheApply() {
        QTemporaryDir dir;
        const std::string ini = dir.filePath("ZM.ini").toStdString();
        settings::Settings file(ini);
        QVERIFY(settings::RecordBootApply(file));
        SetClock clock;
        settings::gui::BootApplyTimer timer(ini, clock);

        clock.now += settings::kBootApplySurvivalMs - 1;
        timer.Tick();
        QVERIFY(settings::Settings(ini).BootApplyUnderWay());

        clock.now += 1;
        timer.Tick();
        QVERIFY(!settings::Settings(ini).BootApplyUnderWay());
        QVERIFY(!timer.Timer()->isActive());
    }
};

QTEST_MAIN(BootApplyTimerTest)
#include "boot_apply_timer_test.moc"

// SPDX-License-Identifier: MIT
#include "startup/self_test.h"

#include "common/number_text.h"
#include "registers/register_bits.h"

namespace talvix::startup {

namespace {

// The steps leave their name to RunSelfTest.
SelfTestStep Passed(const QString& detail) {
  return {{}, StepResult::kPass, detail, {}, false};
}

SelfTestStep Failed(const QString& detail, bool lost_sensor = false) {
  return {{}, StepResult::kFail, detail, {}, lost_sensor};
}

// A step that found no value: the link broke or the sensor is silent.
SelfTestStep LostSensor(const QString& what, const SelfTestHooks& hooks) {
  return Failed(QStringLiteral("%1: %2").arg(what, hooks.no_value_cause()), true);
}

// The static bits a card reports: bits 3..6, the lines CS2..CS5.
constexpr uint8_t kReportedStaticBits = 0x78;

QString Ms(double ms) {
  return QString::number(ms, 'f', 3) + QStringLiteral(" ms");
}

// The card's identity, and the delay and static bits it reports against those it was sent when
// it was brought up.
SelfTestStep CheckCard(Session& session, const SelfTestHooks& hooks) {
  link::UsbSpiCard& usb = session.usb;
  const link::UsbCardInfo& card = session.ezusb.CurrentCard;
  const QString identity = QStringLiteral("%1 card %2 (\"%3\", \"%4\"), firmware %5, USB %6")
                               .arg(card.CardType, card.DevName, card.Descriptor0, card.Descriptor1)
                               .arg(static_cast<double>(card.FirmwareRev), 0, 'f', 1)
                               .arg(card.UsbSpeed);
  const uint8_t sent_delay = usb.SpiWordDelay;
  const uint8_t sent_bits = usb.SpiStaticBits & kReportedStaticBits;
  usb.UsbSpiGetSetup();
  if (!usb.CardReady()) {
    return LostSensor(identity + QStringLiteral(" did not report its setup"), hooks);
  }
  const QString reported = QStringLiteral("delay %1 us, static bits %2")
                               .arg(usb.SpiWordDelay)
                               .arg(common::Hex4(usb.SpiStaticBits).right(2));
  if (usb.SpiWordDelay != sent_delay || usb.SpiStaticBits != sent_bits) {
    return Failed(QStringLiteral("%1 reports %2, but was sent delay %3 us and static bits "
                                 "%4: its firmware does not keep its settings. Unplug and "
                                 "replug it; if that does not help, the card is faulty.")
                      .arg(identity, reported)
                      .arg(sent_delay)
                      .arg(common::Hex4(sent_bits).right(2)));
  }
  SelfTestStep step = Passed(identity + QStringLiteral(", ") + reported);
  step.figures = {{QStringLiteral("firmware"), card.FirmwareRev},
                  {QStringLiteral("delay_us"), usb.SpiWordDelay},
                  {QStringLiteral("static_bits"), usb.SpiStaticBits}};
  return step;
}

SelfTestStep CheckProductWords(const SelfTestHooks& hooks) {
  const IdentityRead read = hooks.read_identity();
  if (!read.answered) return LostSensor(QStringLiteral("no product words"), hooks);
  if (read.all_zero) {
    return Failed(
        QStringLiteral("the product words read 0: the sensor did not take the unlock "
                       "written to KeyCode, so its writes do not arrive. Check the data "
                       "line to the sensor (SDI) and the chip select."));
  }
  return Passed(read.text);
}

SelfTestStep CheckStatus(Session& session, const SelfTestHooks& hooks) {
  link::RegisterAccess& link = session.link;
  if (!link::Answered(link.ReadReg(registers::kStatus), link.RawWord)) {
    return LostSensor(QStringLiteral("STATUS not answered"), hooks);
  }
  const QString word = common::Hex4(link.RawWord);
  const int32_t both_supply_flags = registers::kStatusSupplyLow | registers::kStatusSupplyHigh;
  if ((link.RawWord & both_supply_flags) == both_supply_flags) {
    return Failed(QStringLiteral("STATUS %1 flags the supply both low and high, which a "
                                 "sensor cannot: the data from the sensor is garbled. Check "
                                 "the data line from the sensor (SDO) and its ground.")
                      .arg(word));
  }
  SelfTestStep step = Passed(QStringLiteral("STATUS %1").arg(word));
  step.figures = {{QStringLiteral("status"), link.RawWord}};
  return step;
}

// Writes the register's code with some bits flipped, reads it back, and writes the word it held
// back, whatever the read-back gave.
SelfTestStep CheckWriteRead(Session& session, const SelfTestHooks& hooks) {
  link::RegisterAccess& link = session.link;
  const QString label = link.table().at(kWriteReadRegister).Label.trimmed();
  const int32_t mask = (1 << link.table().at(kWriteReadRegister).ReadLen) - 1;
  if (!link::ReadConfirmed(link, kWriteReadRegister)) {
    return LostSensor(label + QStringLiteral(" not read"), hooks);
  }
  const int32_t held_word = link.RawWord;
  const int32_t held = link.RegRaw;
  const int32_t probe = (held ^ kWriteReadFlips) & mask;
  if (!link::Reached(link.WriteReg(kWriteReadRegister, probe))) {
    return LostSensor(label + QStringLiteral(" not written"), hooks);
  }
  const bool probe_read = link::ReadConfirmed(link, kWriteReadRegister);
  const int32_t read_back = link.RegRaw;
  const bool restore_sent = link::Reached(link.WriteReg(kWriteReadRegister, held_word));
  const bool restore_read = restore_sent && link::ReadConfirmed(link, kWriteReadRegister);
  if (!restore_read || link.RegRaw != held) {
    const QString stuck = QStringLiteral(
                              "%1 may still hold %2, not %3: write %3 back (talvix-cli write "
                              "%1 %3) once the fault is found")
                              .arg(label, common::Hex4(probe), common::Hex4(held_word));
    if (!probe_read || !restore_read) {
      return Failed(
          QStringLiteral("%1 not %2; %3. %4")
              .arg(label, probe_read ? QStringLiteral("restored") : QStringLiteral("read back"),
                   stuck, hooks.no_value_cause()),
          true);
    }
    return Failed(QStringLiteral("%1: wrote %2, read %3 back, and the word it held did not come "
                                 "back either; %4. Writes do not arrive whole: check the data "
                                 "line to the sensor (SDI) and the clock line.")
                      .arg(label, common::Hex4(probe), common::Hex4(read_back), stuck));
  }
  if (read_back != probe) {
    return Failed(
        QStringLiteral("%1: wrote %2, read %3 back (restored to %4). Writes do not "
                       "arrive whole: check the data line to the sensor (SDI) and the "
                       "clock line.")
            .arg(label, common::Hex4(probe), common::Hex4(read_back), common::Hex4(held)));
  }
  return Passed(QStringLiteral("%1: wrote %2, read %2 back, restored %3")
                    .arg(label, common::Hex4(probe), common::Hex4(held)));
}

SelfTestStep CheckTiming(Session& session, const SelfTestHooks& hooks) {
  link::RegisterAccess& link = session.link;
  const double minimum_ms =
      link.InterfaceType == link::kInterfaceUsb ? kUsbOperationMs : kParallelOperationMs;
  const double start = session.clock().MonotonicSeconds();
  for (int i = 0; i < kTimedReads; ++i) {
    if (!link::Answered(link.ReadReg(registers::kStatus), link.RawWord)) {
      return LostSensor(QStringLiteral("STATUS not answered"), hooks);
    }
  }
  const double measured_ms = (session.clock().MonotonicSeconds() - start) * 1000.0 / kTimedReads;
  const double ratio = measured_ms / minimum_ms;
  const QString figures = QStringLiteral("%1 per register read, %2 the least it may take (%3x)")
                              .arg(Ms(measured_ms), Ms(minimum_ms))
                              .arg(ratio, 0, 'f', 2);
  SelfTestStep step =
      measured_ms >= minimum_ms
          ? Passed(figures)
          : Failed(figures + QStringLiteral(": the pauses between frames are cut short, "
                                            "so a slow sensor misses frames. The system's "
                                            "monotonic clock is not to be trusted here."));
  step.figures = {{QStringLiteral("measured_ms"), measured_ms},
                  {QStringLiteral("minimum_ms"), minimum_ms},
                  {QStringLiteral("ratio"), ratio}};
  return step;
}

SelfTestStep CheckSupply(Session& session, const SelfTestHooks& hooks) {
  link::RegisterAccess& link = session.link;
  if (!link::ReadConfirmed(link, registers::kSupply)) {
    return LostSensor(QStringLiteral("SUPPLY not read"), hooks);
  }
  const double volts = link.RegValue;
  const QString text = QStringLiteral("%1 V, range %2 to %3 V")
                           .arg(volts, 0, 'f', 3)
                           .arg(kSupplyLowVolts, 0, 'f', 1)
                           .arg(kSupplyHighVolts, 0, 'f', 1);
  SelfTestStep step =
      volts >= kSupplyLowVolts && volts <= kSupplyHighVolts
          ? Passed(text)
          : Failed(text + QStringLiteral(": check the sensor's supply and its wiring."));
  step.figures = {{QStringLiteral("volts"), volts}};
  return step;
}

}  // namespace

std::vector<SelfTestStep> RunSelfTest(Session& session, const SelfTestHooks& hooks,
                                      QString lost_in) {
  struct Planned {
    const char* name;
    std::function<SelfTestStep()> run;
  };
  std::vector<Planned> plan;
  if (session.link.InterfaceType == link::kInterfaceUsb) {
    plan.push_back({"card", [&] { return CheckCard(session, hooks); }});
  }
  plan.push_back({"product", [&] { return CheckProductWords(hooks); }});
  plan.push_back({"status", [&] { return CheckStatus(session, hooks); }});
  plan.push_back({"write-read", [&] { return CheckWriteRead(session, hooks); }});
  plan.push_back({"timing", [&] { return CheckTiming(session, hooks); }});
  plan.push_back({"supply", [&] { return CheckSupply(session, hooks); }});

  const QString why_skipped = lost_in == QLatin1String("interface")
                                  ? QStringLiteral("not run: the interface did not open")
                                  : QString();
  std::vector<SelfTestStep> done;
  for (const Planned& planned : plan) {
    if (!lost_in.isEmpty()) {
      done.push_back({QString::fromLatin1(planned.name),
                      StepResult::kSkipped,
                      why_skipped.isEmpty()
                          ? QStringLiteral("not run: the sensor was lost in step %1").arg(lost_in)
                          : why_skipped,
                      {},
                      false});
      continue;
    }
    done.push_back(planned.run());
    done.back().name = QString::fromLatin1(planned.name);
    if (done.back().lost_sensor) lost_in = done.back().name;
  }
  return done;
}

QString ResultWord(StepResult result) {
  switch (result) {
    case StepResult::kPass:
      return QStringLiteral("pass");
    case StepResult::kFail:
      return QStringLiteral("fail");
    case StepResult::kSkipped:
      return QStringLiteral("skipped");
  }
  return {};
}

}  // namespace talvix::startup

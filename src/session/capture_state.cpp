// SPDX-License-Identifier: MIT
#include "session/capture_state.h"

namespace talvix {

bool CaptureState::SelectTrigger(int16_t capt_trig_select) {
  if (Armed) return false;
  CaptTrigSelect = capt_trig_select;
  return true;
}

void CaptureState::MarkArmed() {
  Armed = true;
  TriggerSeen = false;
}

void CaptureState::MarkDisarmed() {
  Armed = false;
}

void CaptureState::MarkTriggered(const std::optional<CaptureSnapshots>& snapshots) {
  Armed = false;
  TriggerSeen = snapshots.has_value();
  if (!snapshots) return;
  CaptCfgSnapshot = snapshots->capt_cfg;
  SmplPrdSnapshot = snapshots->smpl_prd;
}

}  // namespace talvix

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The measuring thread runs at the highest priority a normal thread can have, so that the gap
// between a counter read and its tick count stays short. Best effort: without the right to
// raise it the thread simply keeps its priority.

namespace zm::cpu {

void RaiseCurrentThreadToTimeCritical();

}  // namespace zm::cpu

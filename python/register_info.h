// SPDX-License-Identifier: MIT
// The register table as the Python module gives it: each defined register's label, address,
// width, access, and for the measured registers the unit and the range of values its code spans.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace talvix::python {

struct RegisterInfo {
  QString label;    // without trailing blanks
  int address = 0;  // byte address of the low byte
  int bits = 0;     // significant bits of the word read back
  bool is_signed = false;
  bool readable = false;
  bool writable = false;
  double scale = 0;  // value = code x scale + offset
  double offset = 0;
  QString unit;  // "V", "G", "degC"; empty for registers that hold codes or bits
  int32_t code_min = 0;
  int32_t code_max = 0;
  double value_min = 0;  // the values of code_min and code_max, the smaller first
  double value_max = 0;
};

// The defined registers, in address order ("reserved" slots left out).
std::vector<RegisterInfo> RegisterInfos();

}  // namespace talvix::python

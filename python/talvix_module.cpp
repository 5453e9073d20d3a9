// SPDX-License-Identifier: MIT
// The Python module `talvix`: the bindings over Sensor (sensor.h). Here the interpreter is let go
// around every call that talks to the sensor, and the long ones (log, capture) ask between
// samples, with the interpreter held again, whether Ctrl-C or another signal came.
#include "register_info.h"
#include "sensor.h"
#include "sensor_errors.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace talvix::python {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

std::string S(const QString& text) {
  return text.toStdString();
}

// A file name given as str or os.PathLike.
QString PathArgument(const py::object& path) {
  const py::object name = py::module_::import("os").attr("fspath")(path);
  if (!py::isinstance<py::str>(name)) throw std::invalid_argument("give the file name as text");
  return Q(name.cast<std::string>());
}

// The stop question of a long call: runs the interpreter's signal handlers (Ctrl-C raises
// KeyboardInterrupt there) and says stop once one of them raised. The exception stays pending for
// the caller to deal with once the call has ended cleanly.
class InterruptCheck {
 public:
  std::function<bool()> Question() {
    return [this] {
      if (interrupted_) return true;
      const py::gil_scoped_acquire acquire;
      interrupted_ = PyErr_CheckSignals() != 0;
      return interrupted_;
    };
  }
  bool interrupted() const { return interrupted_; }

 private:
  bool interrupted_ = false;
};

std::string ReadingRepr(const Reading& r) {
  return S(QStringLiteral("Reading(label='%1', word=0x%2, code=%3, value=%4)")
               .arg(r.label)
               .arg(r.word, 4, 16, QChar(u'0'))
               .arg(r.code)
               .arg(static_cast<double>(r.value), 0, 'g', 7));
}

py::array LogArray(const LogRows& rows) {
  py::list fields;
  fields.append(py::make_tuple("seconds", "<f8"));
  for (const QString& column : rows.columns) fields.append(py::make_tuple(S(column), "<f4"));
  const py::module_ numpy = py::module_::import("numpy");
  py::array array = numpy.attr("zeros")(rows.seconds.size(), py::arg("dtype") = fields);
  const auto count = static_cast<size_t>(rows.columns.size());
  const size_t row_bytes = sizeof(double) + count * sizeof(float);  // a packed record
  if (static_cast<size_t>(array.itemsize()) != row_bytes) {
    throw std::runtime_error("unexpected record layout of the log array");
  }
  auto* out = static_cast<char*>(array.mutable_data());
  for (size_t r = 0; r < rows.seconds.size(); ++r) {
    char* record = out + r * row_bytes;
    std::memcpy(record, &rows.seconds[r], sizeof(double));
    std::memcpy(record + sizeof(double), &rows.values[r * count], count * sizeof(float));
  }
  return array;
}

// What capture() returns.
struct CaptureResult {
  py::tuple sources;
  py::tuple units;
  py::array codes;
  py::array values;
  py::array times;
  double sample_period = 0;
  int pretrigger = 0;
};

CaptureResult ToCaptureResult(const CaptureData& data) {
  const auto length = static_cast<py::ssize_t>(data.buffers[0].codes.size());
  py::array_t<int32_t> codes({py::ssize_t{2}, length});
  py::array_t<double> values({py::ssize_t{2}, length});
  py::array_t<double> times(length);
  auto c = codes.mutable_unchecked<2>();
  auto v = values.mutable_unchecked<2>();
  auto t = times.mutable_unchecked<1>();
  for (int b = 0; b < 2; ++b) {
    for (py::ssize_t i = 0; i < length; ++i) {
      c(b, i) = data.buffers[b].codes[i];
      v(b, i) = data.buffers[b].values[i];
    }
  }
  for (py::ssize_t i = 0; i < length; ++i) {
    t(i) = static_cast<double>(i - data.pretrigger) * data.sample_period_seconds;
  }
  CaptureResult result;
  result.sources = py::make_tuple(S(data.buffers[0].source), S(data.buffers[1].source));
  result.units = py::make_tuple(S(data.buffers[0].units), S(data.buffers[1].units));
  result.codes = codes;
  result.values = values;
  result.times = times;
  result.sample_period = data.sample_period_seconds;
  result.pretrigger = data.pretrigger;
  return result;
}

// The failures without a class of their own, as Python's built-in exceptions. pybind11 hands the
// exception over by value.
void TranslateErrors(std::exception_ptr raised) {  // NOLINT(performance-unnecessary-value-param)
  try {
    if (raised) std::rethrow_exception(raised);
  } catch (const CaptureTimeout& e) {
    PyErr_SetString(PyExc_TimeoutError, e.what());
  } catch (const FileError& e) {
    PyErr_SetString(PyExc_OSError, e.what());
  }
}

std::unique_ptr<Sensor> Open(const std::string& interface, const py::object& trace, bool shocks,
                             const py::object& vibration, double usb_latency_ms,
                             const std::optional<std::string>& usb_ids) {
  OpenOptions options;
  options.interface = Q(interface);
  if (!trace.is_none()) options.trace_path = PathArgument(trace);
  options.shocks = shocks;
  if (py::isinstance<py::str>(vibration)) {
    options.vibrations << Q(vibration.cast<std::string>());
  } else if (!vibration.is_none()) {
    for (const py::handle item : vibration)
      options.vibrations << Q(py::str(item).cast<std::string>());
  }
  options.usb_latency_ms = usb_latency_ms;
  if (usb_ids) options.usb_ids = Q(*usb_ids);
  CheckOpenOptions(options);
  const py::gil_scoped_release release;
  return std::make_unique<Sensor>(options);
}

std::vector<RegisterInfo> Registers() {
  return RegisterInfos();
}

constexpr const char* kModuleDoc =
    R"(The Talvix dual-axis accelerometer from Python, for test benches.

Open an interface, then read, write, log and capture:

    import talvix
    with talvix.open("sim-usb") as sensor:
        print(sensor.read("SUPPLY"))          # Reading(label='SUPPLY', word=..., value=3.3)
        rows = sensor.log(["XACCL", "YACCL"], samples=200, delay_ms=1)
        print(rows["seconds"], rows["XACCL"])

The interfaces are those of talvix-cli: "sim-lpt" and "sim-usb" (the built-in simulated sensor
behind a simulated parallel port or USB SPI card), "lpt:378" (the parallel port at that
hexadecimal base address) and "usb:0" .. "usb:3" (the USB SPI card Ezusb-n).

Failures are exceptions, never values: an operation that does not reach the sensor, or a read the
sensor does not answer, raises LinkError with the cause and what to check; bad arguments raise
ValueError before anything is sent; a capture without a trigger raises TimeoutError (the capture
is disarmed). Ctrl-C ends a long log (the rows read so far are returned) or the wait of a capture
(it is disarmed, and KeyboardInterrupt is raised).)";

}  // namespace
}  // namespace talvix::python

PYBIND11_MODULE(talvix, m) {
  using namespace talvix::python;
  m.doc() = kModuleDoc;

  static py::exception<LinkError> link_error =
      py::register_exception<LinkError>(m, "LinkError", PyExc_OSError);
  link_error.attr("__doc__") =
      "An operation did not reach the sensor, or a read was not answered (a silent sensor reads "
      "all ones). The message says why and what to check. No value is returned for it.";
  static py::exception<ReadBackError> read_back_error =
      py::register_exception<ReadBackError>(m, "ReadBackError", PyExc_RuntimeError);
  read_back_error.attr("__doc__") =
      "settings_load wrote the settings, but some registers read back other words (each is "
      "named in the message).";
  py::register_exception_translator(&TranslateErrors);

  py::class_<Reading>(m, "Reading",
                      "One register read: label, address, the raw word, the code the read rule "
                      "takes from it (sign-extended where the register is signed) and the value "
                      "(code x scale + offset, in the register's unit).")
      .def_property_readonly(
          "label", [](const Reading& r) { return S(r.label); }, "The register's label.")
      .def_readonly("address", &Reading::address, "Byte address of the low byte.")
      .def_readonly("word", &Reading::word, "The 16-bit word the sensor answered.")
      .def_readonly("code", &Reading::code, "The register's field of the word.")
      .def_readonly("value", &Reading::value, "The code in the register's unit.")
      .def("__repr__", &ReadingRepr);

  py::class_<RegisterInfo>(m, "Register",
                           "A register of the sensor's map: label, address, width, access, unit "
                           "and the range of codes and values it can hold.")
      .def_property_readonly(
          "label", [](const RegisterInfo& r) { return S(r.label); },
          "The label as the table holds it (read() and write() take it in any case).")
      .def_readonly("address", &RegisterInfo::address, "Byte address of the low byte.")
      .def_readonly("bits", &RegisterInfo::bits, "Significant bits of the word read back.")
      .def_readonly("signed", &RegisterInfo::is_signed, "The field is two's complement.")
      .def_readonly("readable", &RegisterInfo::readable, "read() and dump() may read it.")
      .def_readonly("writable", &RegisterInfo::writable, "write() may write it.")
      .def_readonly("scale", &RegisterInfo::scale, "value = code x scale + offset")
      .def_readonly("offset", &RegisterInfo::offset, "value = code x scale + offset")
      .def_property_readonly(
          "unit", [](const RegisterInfo& r) { return S(r.unit); },
          "The unit of a measured register (Volts, G, V, degC); empty for codes and bits.")
      .def_readonly("code_min", &RegisterInfo::code_min, "The smallest code of the field.")
      .def_readonly("code_max", &RegisterInfo::code_max, "The largest code of the field.")
      .def_readonly("value_min", &RegisterInfo::value_min, "The smallest value the codes give.")
      .def_readonly("value_max", &RegisterInfo::value_max, "The largest value the codes give.")
      .def("__repr__", [](const RegisterInfo& r) {
        return S(QStringLiteral("Register(label='%1', address=0x%2, unit='%3')")
                     .arg(r.label)
                     .arg(r.address, 2, 16, QChar(u'0'))
                     .arg(r.unit));
      });

  py::class_<CaptureResult>(m, "Capture",
                            "An event capture: both buffers with their sources, units, sample "
                            "period and the trigger's position.")
      .def_readonly("sources", &CaptureResult::sources,
                    "The data sources of buffer 0 and buffer 1.")
      .def_readonly("units", &CaptureResult::units, "The units of the two buffers' values.")
      .def_readonly("codes", &CaptureResult::codes,
                    "int32 array (2, length): the samples' codes as the sensor recorded them.")
      .def_readonly("values", &CaptureResult::values,
                    "float64 array (2, length): the samples in their source's unit.")
      .def_readonly("times", &CaptureResult::times,
                    "float64 array (length,): seconds of each sample from the trigger.")
      .def_readonly("sample_period", &CaptureResult::sample_period, "Seconds between samples.")
      .def_readonly("pretrigger", &CaptureResult::pretrigger,
                    "Samples before the trigger: the trigger is at index pretrigger.")
      .def("__repr__", [](const CaptureResult& c) {
        return "Capture(sources=" + py::repr(c.sources).cast<std::string>() +
               ", length=" + std::to_string(c.times.size()) +
               ", pretrigger=" + std::to_string(c.pretrigger) +
               ", sample_period=" + py::repr(py::float_(c.sample_period)).cast<std::string>() + ")";
      });

  py::class_<Sensor>(m, "Sensor",
                     "The sensor on an open interface. Use it as a context manager, or call "
                     "close(), to let the interface go.")
      .def("close", &Sensor::Close, py::call_guard<py::gil_scoped_release>(),
           "Lets the interface go (flushing the frame trace). Calls after it raise ValueError.")
      .def_property_readonly("closed", &Sensor::closed, "True once closed.")
      .def_property_readonly(
          "interface", [](const Sensor& s) { return S(s.interface_name()); },
          "The interface as it was given to open().")
      .def(
          "__enter__", [](Sensor& s) -> Sensor& { return s; }, py::return_value_policy::reference)
      .def(
          "__exit__",
          [](Sensor& s, const py::args&) {
            const py::gil_scoped_release release;
            s.Close();
            return false;
          },
          "Closes the sensor.")
      .def(
          "read",
          [](Sensor& s, const std::string& label) {
            const py::gil_scoped_release release;
            return s.Read(Q(label));
          },
          py::arg("label"),
          "read(label) -> Reading\n\n"
          "Reads the register named by its label (any case). Raises ValueError for an unknown "
          "or unreadable label (nothing is sent) and LinkError when the read does not reach the "
          "sensor or is not answered.")
      .def(
          "write",
          [](Sensor& s, const std::string& label, int64_t word) {
            const py::gil_scoped_release release;
            s.Write(Q(label), word);
          },
          py::arg("label"), py::arg("word"),
          "write(label, word)\n\n"
          "Writes the 16-bit word (0 to 0xFFFF) to the register. Raises ValueError for an unknown "
          "or read-only label or a word out of range (nothing is sent) and LinkError when the "
          "write does not reach the sensor.")
      .def(
          "dump",
          [](Sensor& s) {
            const py::gil_scoped_release release;
            return s.Dump();
          },
          "dump() -> list[Reading]\n\n"
          "Reads every readable register, in address order. Raises LinkError at the first read "
          "that brings no value.")
      .def(
          "log",
          [](Sensor& s, const std::optional<std::vector<std::string>>& values, int64_t samples,
             double delay_ms) {
            QStringList names;
            if (values) {
              for (const std::string& v : *values) names << Q(v);
              if (names.isEmpty()) throw std::invalid_argument("values names no value");
            }
            InterruptCheck check;
            LogRows rows;
            {
              const py::gil_scoped_release release;
              rows = s.Log(names, samples, delay_ms, check.Question());
            }
            if (check.interrupted()) {
              // Ctrl-C ends the log with the rows read so far; any other exception a signal
              // handler raised goes on.
              if (!PyErr_ExceptionMatches(PyExc_KeyboardInterrupt)) throw py::error_already_set();
              PyErr_Clear();
            }
            return LogArray(rows);
          },
          py::arg("values") = py::none(), py::arg("samples") = 1000, py::arg("delay_ms") = 0.0,
          "log(values=None, samples=1000, delay_ms=0.0) -> numpy structured array\n\n"
          "Samples the datalog's values as talvix-cli log does: the values read one after "
          "another, then the pause of delay_ms (0 to 32000). values names them (SUPPLY, XACCL, "
          "YACCL, TEMPERA, RSS_XY, X_PEAK, Y_PEAK, RSS_PEAK, or their captions); None for all "
          "eight. The array has a float64 column 'seconds' (since the first sample began, "
          "monotonic) and a float32 column per value. Ctrl-C ends the log and returns the rows "
          "read so far. Raises LinkError when a read brings no value (no row is kept for that "
          "sample).")
      .def(
          "capture",
          [](Sensor& s, const std::string& source1, const std::string& source2, int64_t length,
             int64_t pretrigger, int trigger, double level, const std::string& direction,
             double timeout) {
            CaptureRequest request;
            request.source1 = Q(source1);
            request.source2 = Q(source2);
            request.length = length;
            request.pretrigger = pretrigger;
            request.trigger = trigger;
            request.level = level;
            request.direction = Q(direction);
            request.timeout_seconds = timeout;
            InterruptCheck check;
            CaptureData data;
            {
              const py::gil_scoped_release release;
              data = s.Capture(request, check.Question());
            }
            if (check.interrupted()) throw py::error_already_set();  // disarmed, nothing read
            return ToCaptureResult(data);
          },
          py::arg("source1"), py::arg("source2"), py::arg("length"), py::arg("pretrigger"),
          py::arg("trigger"), py::arg("level"), py::arg("direction") = "above",
          py::arg("timeout") = 10.0,
          "capture(source1, source2, length, pretrigger, trigger, level, direction='above', "
          "timeout=10.0) -> Capture\n\n"
          "One event capture, as talvix-cli capture takes it: configures the two buffers' "
          "sources (the capture configuration window's names, as 'X Acceleration'; blanks or "
          "underscores, any case), length (8 to 1024, a power of two) and pretrigger (2 to "
          "length/2, a power of two), sets comparator `trigger` (1 watches source1, 2 watches "
          "source2) to `level` in its source's unit, 'above' or 'below', arms, waits up to "
          "`timeout` seconds for the trigger and the buffers to fill, and reads both buffers. "
          "Raises ValueError for bad arguments (nothing is sent), TimeoutError when no trigger "
          "came (the capture is disarmed) and LinkError when an operation brings no value. "
          "Ctrl-C while waiting disarms the capture and raises KeyboardInterrupt.")
      .def(
          "settings_save",
          [](Sensor& s, const py::object& path) {
            const QString file = PathArgument(path);
            std::vector<SettingLine> lines;
            {
              const py::gil_scoped_release release;
              lines = s.SettingsSave(file);
            }
            py::list out;
            for (const SettingLine& line : lines) {
              out.append(py::make_tuple(S(line.label), line.word, S(line.meaning)));
            }
            return out;
          },
          py::arg("path"),
          "settings_save(path) -> list[(label, word, meaning)]\n\n"
          "Reads the sensor's user settings (nulls and scales, alarms, AUX_DAC, GPIO_CTRL, "
          "MISC_CTRL, SMPL_PRD, CAPT_CFG) and writes them to path as talvix-cli settings save "
          "does: the file is written whole or not at all. Raises LinkError when a read brings no "
          "value (no file is written) and OSError when the file cannot be written.")
      .def(
          "settings_load",
          [](Sensor& s, const py::object& path, bool dry_run) {
            const QString file = PathArgument(path);
            QStringList lines;
            {
              const py::gil_scoped_release release;
              lines = s.SettingsLoad(file, dry_run);
            }
            std::vector<std::string> out;
            for (const QString& line : lines) out.push_back(S(line));
            return out;
          },
          py::arg("path"), py::arg("dry_run") = false,
          "settings_load(path, dry_run=False) -> list[str]\n\n"
          "Checks the whole settings file, then writes the registers in an order the sensor "
          "takes and reads them back; returns one tab-separated line per register (label, word "
          "before, word now, meaning). With dry_run the planned writes are returned and nothing "
          "is sent. Raises ValueError for a file with problems (each named; nothing is sent), "
          "LinkError when a write or read does not reach the sensor and ReadBackError when a "
          "register reads back differently.")
      .def_property_readonly(
          "registers", [](const Sensor&) { return Registers(); },
          "The register table (see talvix.registers()).")
      .def("__repr__", [](const Sensor& s) {
        return S(QStringLiteral("<talvix.Sensor %1%2>")
                     .arg(s.interface_name(), s.closed() ? QStringLiteral(" closed") : QString()));
      });

  m.def("open", &Open, py::arg("interface") = "sim-lpt", py::kw_only(),
        py::arg("trace") = py::none(), py::arg("shocks") = false, py::arg("vibration") = py::none(),
        py::arg("usb_latency_ms") = 0.0, py::arg("usb_ids") = py::none(),
        "open(interface='sim-lpt', *, trace=None, shocks=False, vibration=None, "
        "usb_latency_ms=0, usb_ids=None) -> Sensor\n\n"
        "Opens the interface and brings it up, as talvix-cli --interface does: 'sim-lpt', "
        "'sim-usb', 'lpt:<hex address>' or 'usb:<n>'. The simulator's options: trace writes "
        "every SPI frame to that file ('sent answered' in hex, one a line); shocks knocks the "
        "simulated sensor 1 s after opening and every 2 s after it (20 ms, 4 g on X, 1.5 g on "
        "Y), to try event capture; vibration ('HZ:G[:AXIS]', or a list of them) adds a sine of "
        "that frequency and peak acceleration to the axis X, Y or both (XY, the default); "
        "usb_latency_ms (sim-usb only, 0 to 1000) makes each transfer of the simulated card "
        "cost that long, as on a real full-speed card (about 1 ms). "
        "usb_ids gives the USB SPI cards' ids (VVVV:PPPP,QQQQ) over "
        "TALVIX_USB_IDS and usb-cards.conf. Raises ValueError for bad options and LinkError "
        "when the interface cannot be brought up.");
  m.def("registers", &Registers,
        "registers() -> list[Register]\n\n"
        "The sensor's register map: label, address, bits, signed, readable, writable, scale, "
        "offset, unit and the range of codes and values of each register.");
}

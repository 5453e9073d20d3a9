// SPDX-License-Identifier: MIT
#include "regaccess/settings_file.h"

#include "common/hex_text.h"
#include "common/number_text.h"
#include "common/whole_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <algorithm>
#include <vector>

namespace talvix::regaccess {

namespace {

using registers::RegisterTable;

const QString kFormatKey = QStringLiteral("format");
const QString kVersionKey = QStringLiteral("version");
const QString kRegistersKey = QStringLiteral("registers");
const QString kLabelKey = QStringLiteral("label");
const QString kWordKey = QStringLiteral("word");
const QString kValueKey = QStringLiteral("value");

// A JSON string literal for `text`, quotes included.
QByteArray Quoted(const QString& text) {
  const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2);
}

// A text from the file as a message may show it: at most 40 characters, control characters
// (a terminal's escape sequences among them) as '?'.
QString Shown(const QString& text) {
  constexpr int kLongest = 40;
  QString shown = text.left(kLongest);
  for (QChar& c : shown) {
    if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) c = u'?';
  }
  if (text.size() > kLongest) shown += QStringLiteral("...");
  return shown;
}

class Problems {
 public:
  void Add(const QString& problem) {
    if (list_.size() < kMostProblems - 1) {
      list_.append(problem);
    } else {
      ++more_;
    }
  }
  bool empty() const { return list_.isEmpty(); }
  QStringList Done() const {
    QStringList all = list_;
    if (more_ == 1) {
      all.append(QStringLiteral("and 1 more problem"));
    } else if (more_ > 1) {
      all.append(QStringLiteral("and %1 more problems").arg(more_));
    }
    return all;
  }

 private:
  QStringList list_;
  int more_ = 0;
};

// Where the elements of the top-level "registers" array start, by line, found in the text of a
// document the JSON parser has accepted. The lines are usable only when `registers_keys` is 1
// and there are as many as the parsed array has elements.
struct Layout {
  std::vector<int> element_lines;
  int registers_keys = 0;
};

Layout ScanLayout(const QByteArray& text) {
  Layout layout;
  int depth = 0;
  int line = 1;
  bool in_string = false;
  bool in_registers = false;
  bool expect_element = false;
  QByteArray string;
  QByteArray last_string;
  QByteArray key;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\') {
        ++i;  // the escaped character cannot end the string
        string += '\\';
      } else if (c == '"') {
        in_string = false;
        last_string = string;
      } else {
        string += c;
      }
      continue;
    }
    if (c == '\n') ++line;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (expect_element && c != ']') {
      layout.element_lines.push_back(line);
      expect_element = false;
    }
    switch (c) {
      case '"':
        in_string = true;
        string.clear();
        break;
      case ':':
        if (depth == 1) {
          key = last_string;
          if (key == "registers") ++layout.registers_keys;
        }
        break;
      case ',':
        if (depth == 1) key.clear();
        if (in_registers && depth == 2) expect_element = true;
        break;
      case '{':
      case '[':
        ++depth;
        if (c == '[' && depth == 2 && key == "registers") {
          in_registers = true;
          expect_element = true;
          layout.element_lines.clear();
        }
        break;
      case '}':
      case ']':
        if (in_registers && depth == 2) in_registers = false;
        --depth;
        break;
      default:
        break;
    }
  }
  return layout;
}

// Line and column (from 1) of a byte offset.
QString LineAndColumn(const QByteArray& text, qsizetype offset) {
  offset = std::clamp<qsizetype>(offset, 0, text.size());
  const QByteArray before = text.left(offset);
  const qsizetype line_start = before.lastIndexOf('\n') + 1;
  return QStringLiteral("line %1, column %2")
      .arg(before.count('\n') + 1)
      .arg(offset - line_start + 1);
}

// 1 to 4 hexadecimal digits, nothing else.
std::optional<uint16_t> WordOf(const QString& text) {
  if (text.isEmpty() || text.size() > 4) return std::nullopt;
  for (const QChar c : text) {
    const bool hex =
        (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    if (!hex) return std::nullopt;
  }
  return static_cast<uint16_t>(common::HexToLong(text));
}

QString NotASettingReason(const RegisterTable& table, int16_t index) {
  const registers::RegisterEntry& entry = table.at(index);
  if (!entry.ReadFlag && !entry.WriteFlag) return QStringLiteral("a reserved slot, not a register");
  if (!entry.WriteFlag) return QStringLiteral("a read-only register");
  return QStringLiteral("not a setting (a command, a key or a position, not kept in flash)");
}

// What the entries of the "registers" array held.
struct Entries {
  DeviceSettings words{};
  std::array<QString, kSettingsCount> where;  // "line 7", or "entry 3" when lines are unknown
  std::array<bool, kSettingsCount> seen{};
  std::array<std::optional<QString>, kSettingsCount> value;
};

void ReadEntry(const QJsonValue& item, const QString& where, const RegisterTable& table,
               Entries& entries, Problems& problems) {
  if (!item.isObject()) {
    problems.Add(QStringLiteral("%1: not a register entry: give {\"label\": ..., \"word\": ...}")
                     .arg(where));
    return;
  }
  const QJsonObject entry = item.toObject();
  const QJsonValue label_value = entry.value(kLabelKey);
  if (!label_value.isString() || label_value.toString().trimmed().isEmpty()) {
    problems.Add(QStringLiteral("%1: the entry has no \"label\" naming its register").arg(where));
    return;
  }
  const QString label = label_value.toString();
  const QString at = QStringLiteral("%1: %2").arg(where, Shown(label));
  for (const QString& key : entry.keys()) {
    if (key != kLabelKey && key != kWordKey && key != kValueKey) {
      problems.Add(QStringLiteral("%1: unknown field \"%2\" (an entry has \"label\", \"word\" and "
                                  "\"value\")")
                       .arg(at, Shown(key)));
    }
  }
  const std::optional<int16_t> index = table.FindLabel(label);
  if (!index) {
    problems.Add(QStringLiteral("%1: unknown register").arg(at));
    return;
  }
  const std::optional<int> position = SettingPosition(*index);
  if (!position) {
    problems.Add(
        QStringLiteral("%1: %2, which cannot be set").arg(at, NotASettingReason(table, *index)));
    return;
  }
  if (entries.seen[*position]) {
    problems.Add(QStringLiteral("%1: given twice (first at %2)").arg(at, entries.where[*position]));
    return;
  }
  entries.seen[*position] = true;
  entries.where[*position] = where;

  const QJsonValue value = entry.value(kValueKey);
  if (!value.isUndefined()) {
    if (value.isString()) {
      entries.value[*position] = value.toString();
    } else {
      problems.Add(QStringLiteral("%1: \"value\" must be text, as the program writes it").arg(at));
    }
  }
  const QJsonValue word_value = entry.value(kWordKey);
  const std::optional<uint16_t> word =
      word_value.isString() ? WordOf(word_value.toString()) : std::nullopt;
  if (!word) {
    problems.Add(
        QStringLiteral("%1: \"word\" must be 1 to 4 hexadecimal digits in quotes, such as \"01F4\"")
            .arg(at));
    return;
  }
  const QString out_of_range = SettingWordProblem(table, *index, *word);
  if (!out_of_range.isEmpty()) {
    problems.Add(QStringLiteral("%1: value out of range: %2").arg(at, out_of_range));
    return;
  }
  entries.words[*position] = *word;
}

}  // namespace

QByteArray SettingsFileText(const RegisterTable& table, const DeviceSettings& settings) {
  QByteArray text = "{\n  \"format\": " + Quoted(QString::fromLatin1(kSettingsFormat)) +
                    ",\n  \"version\": " + QByteArray::number(kSettingsVersion) +
                    ",\n  \"registers\": [\n";
  const auto& indices = SettingsRegisters();
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const int16_t index = indices[i];
    text += "    {\"label\": " + Quoted(SettingLabel(table, index)) +
            ", \"word\": " + Quoted(common::Hex4(SettingWord(settings, index))) +
            ", \"value\": " + Quoted(SettingValueText(table, settings, index)) + "}" +
            (i + 1 < indices.size() ? ",\n" : "\n");
  }
  text += "  ]\n}\n";
  return text;
}

ParsedSettings ParseSettingsFile(const QByteArray& text, const RegisterTable& table) {
  Problems problems;
  ParsedSettings parsed;
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(text, &error);
  if (error.error != QJsonParseError::NoError) {
    parsed.problems.append(QStringLiteral("%1: not a settings file: %2")
                               .arg(LineAndColumn(text, error.offset), error.errorString()));
    return parsed;
  }
  const QJsonObject top = document.object();
  if (!document.isObject() || top.value(kFormatKey).toString() != QLatin1String(kSettingsFormat)) {
    parsed.problems.append(
        QStringLiteral("not a settings file: it has no \"format\": \"%1\"").arg(kSettingsFormat));
    return parsed;
  }
  const QJsonValue version = top.value(kVersionKey);
  if (!version.isDouble() || version.toDouble() != kSettingsVersion) {
    parsed.problems.append(
        QStringLiteral("the file's \"version\" is not %1, the version this program reads")
            .arg(kSettingsVersion));
    return parsed;
  }
  for (const QString& key : top.keys()) {
    if (key != kFormatKey && key != kVersionKey && key != kRegistersKey) {
      problems.Add(QStringLiteral("unknown field \"%1\" (a settings file has \"format\", "
                                  "\"version\" and \"registers\")")
                       .arg(Shown(key)));
    }
  }
  const QJsonValue registers_value = top.value(kRegistersKey);
  if (!registers_value.isArray()) {
    problems.Add(QStringLiteral("the file has no \"registers\" list"));
    parsed.problems = problems.Done();
    return parsed;
  }
  const QJsonArray items = registers_value.toArray();
  const Layout layout = ScanLayout(text);
  if (layout.registers_keys > 1) problems.Add(QStringLiteral("\"registers\" is given twice"));
  const bool lines_known = layout.registers_keys == 1 &&
                           layout.element_lines.size() == static_cast<std::size_t>(items.size());

  Entries entries;
  for (qsizetype k = 0; k < items.size(); ++k) {
    const QString where = lines_known ? QStringLiteral("line %1").arg(layout.element_lines[k])
                                      : QStringLiteral("entry %1").arg(k + 1);
    ReadEntry(items.at(k), where, table, entries, problems);
  }
  const auto& indices = SettingsRegisters();
  for (int i = 0; i < kSettingsCount; ++i) {
    if (!entries.seen[i]) {
      problems.Add(QStringLiteral("no entry for %1").arg(SettingLabel(table, indices[i])));
    }
  }
  // A value can be checked only against a complete set of words: an alarm level's meaning
  // depends on ALM_CTRL.
  if (problems.empty()) {
    for (int i = 0; i < kSettingsCount; ++i) {
      if (!entries.value[i]) continue;
      const QString meant = SettingValueText(table, entries.words, indices[i]);
      if (entries.value[i]->trimmed() != meant) {
        problems.Add(QStringLiteral("%1: %2: \"value\" says \"%3\", but the word %4 means \"%5\": "
                                    "the word is what is written, so correct the word or remove "
                                    "\"value\"")
                         .arg(entries.where[i], SettingLabel(table, indices[i]),
                              Shown(*entries.value[i]), common::Hex4(entries.words[i]), meant));
      }
    }
  }
  parsed.problems = problems.Done();
  if (parsed.problems.isEmpty()) parsed.settings = entries.words;
  return parsed;
}

ParsedSettings ReadSettingsFile(const QString& path, const RegisterTable& table) {
  QByteArray contents;
  QString why;
  switch (common::ReadRegularFile(path, kLargestSettingsFile + 1, contents, why)) {
    case common::FileRead::kMissing:
      return {std::nullopt, {QStringLiteral("%1: there is no such file").arg(path)}};
    case common::FileRead::kFailed:
      return {std::nullopt, {QStringLiteral("%1: cannot be read: %2").arg(path, why)}};
    case common::FileRead::kRead:
      break;
  }
  if (contents.size() > kLargestSettingsFile) {
    return {std::nullopt,
            {QStringLiteral("%1: not a settings file: it is larger than %2 KB")
                 .arg(path)
                 .arg(kLargestSettingsFile / 1024)}};
  }
  ParsedSettings parsed = ParseSettingsFile(contents, table);
  for (QString& problem : parsed.problems) problem = path + QStringLiteral(": ") + problem;
  return parsed;
}

}  // namespace talvix::regaccess

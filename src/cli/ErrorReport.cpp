#include "cli/ErrorReport.h"

#include "core/Exceptions.h"

namespace {

std::string TrimmedEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

// Spaces up to Column, keeping the line's tabs so the marker lines up.
std::string MarkerFor(const std::string& line, int32_t column) {
  std::string marker;
  for (int32_t i = 0; i + 1 < column && size_t(i) < line.size(); ++i)
    marker += line[size_t(i)] == '\t' ? '\t' : ' ';
  return marker + "^";
}

}  // namespace

std::string ErrorReport(const std::exception& error) {
  const auto* own = dynamic_cast<const Exception*>(&error);
  if (!own) return TrimmedEnd(error.what()) + "\n";
  const TErrorContext& where = own->Context();
  std::string place;
  if (where.Line > 0 && !where.File.empty()) {
    place = where.File + ":" + std::to_string(where.Line);
    if (where.Column > 0) place += ":" + std::to_string(where.Column);
  } else if (where.Line == 0 && !where.RuleSource.empty() &&
             where.RuleSource.find(':') != std::string::npos) {
    place = where.RuleSource;
  } else if (where.Line > 1) {
    place = "line " + std::to_string(where.Line);
  }
  std::string report = place.empty() ? std::string() : place + ": ";
  report += "error: ";
  report += TrimmedEnd(where.Summary.empty() ? own->Message() : where.Summary);
  report += '\n';
  if (!where.SourceLine.empty() && where.Column > 0) {
    report += "    " + where.SourceLine + "\n";
    report += "    " + MarkerFor(where.SourceLine, where.Column) + "\n";
  }
  if (!where.Note.empty()) report += "  note: " + where.Note + "\n";
  if (!where.Rule.empty()) {
    report += "  in rule " + where.Rule;
    if (!where.RuleSource.empty()) report += " (defined at " + where.RuleSource + ")";
    report += '\n';
  }
  if (!where.Function.empty()) report += "  in deffunction " + where.Function + "\n";
  if (!where.Call.empty()) report += "  in call " + where.Call + "\n";
  return report;
}

#include "cli/records_command.h"

#include <iomanip>

#include "cli/subcommand.h"
#include "cli/text_output.h"
#include "platform/registry_store.h"
#include "store/qx_regstry.h"

namespace upvane {

const char kRecordsUsage[] =
    "Usage: upvanectl records [--json]\n"
    "Lists every phone record in the store with its twelve values, in the\n"
    "order the program walks them.\n"
    "  --json   one JSON object: {\"store\": path, \"records\": [ ... ]};\n"
    "           texts are read as Latin-1\n";

namespace {

struct Field {
  const char* name;
  const std::string* text;  // null for the two numbers
  uint32_t number;
};

std::vector<Field> FieldsOf(const D_PHONE_INFO& info) {
  return {{"ModelID", &info.ModelID, 0},       {"DeviceID", &info.DeviceID, 0},
          {"Firmware", &info.Firmware, 0},     {"No", &info.No, 0},
          {"SerialComm", &info.SerialComm, 0}, {"ConnectFlg", &info.ConnectFlg, 0},
          {"BrewFlg", &info.BrewFlg, 0},       {"Download", &info.Download, 0},
          {"ConnDate", &info.ConnDate, 0},     {"CheckDate", &info.CheckDate, 0},
          {"Status", nullptr, info.Status},    {"OemExFlg", nullptr, info.OemExFlg}};
}

void PrintText(const std::string& store, const std::vector<D_PHONE_INFO>& records, std::ostream& out) {
  out << "Store: " << PrintableText(store) << "\n";
  for (size_t i = 0; i < records.size(); ++i) {
    out << "Record " << i + 1 << "\n";
    for (const Field& field : FieldsOf(records[i])) {
      out << "  " << std::left << std::setw(11) << field.name << " ";
      if (field.text) {
        out << PrintableText(*field.text) << "\n";
      } else {
        out << field.number << "\n";
      }
    }
  }
  out << records.size() << (records.size() == 1 ? " record\n" : " records\n");
}

void PrintJson(const std::string& store, const std::vector<D_PHONE_INFO>& records, std::ostream& out) {
  out << "{\"store\": " << JsonQuote(store) << ", \"records\": [";
  for (size_t i = 0; i < records.size(); ++i) {
    out << (i ? ",\n  {" : "\n  {");
    bool first = true;
    for (const Field& field : FieldsOf(records[i])) {
      out << (first ? "" : ", ") << JsonQuote(field.name) << ": ";
      if (field.text) {
        out << JsonQuote(*field.text);
      } else {
        out << field.number;
      }
      first = false;
    }
    out << "}";
  }
  out << (records.empty() ? "]}\n" : "\n]}\n");
}

}  // namespace

int RunRecords(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else {
      err << "upvanectl records: unknown option \"" << PrintableText(arg) << "\"\n" << kRecordsUsage;
      return kExitUsage;
    }
  }
  const std::string store = RegistryStorePath();
  StoreKey root;
  if (store.empty() || !StoreOpenKey("", root)) {
    err << "upvanectl records: cannot open the store \"" << PrintableText(store) << "\"\n";
    return kExitFailed;
  }
  std::vector<D_PHONE_INFO> records;
  CQxRegstry registry;
  // The same walk as the program's own: up to the first index without a record.
  for (uint32_t index = 0;; ++index) {
    D_PHONE_INFO info;
    if (!registry.ReadPhoneAt(index, info)) break;
    records.push_back(info);
  }
  if (json) {
    PrintJson(store, records, out);
  } else {
    PrintText(store, records, out);
  }
  return kExitOk;
}

}  // namespace upvane

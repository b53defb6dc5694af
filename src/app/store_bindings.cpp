#include "app/store_bindings.h"

#include <QMessageBox>
#include <QString>

#include "devices/qx_scsi_cmd.h"
#include "platform/http_client.h"
#include "platform/qt/gui_thread.h"
#include "server/update_value_store.h"
#include "server/version_check.h"
#include "store/qx_regstry.h"
#include "ui/dialogs/credential_dlg.h"

namespace upvane {

namespace {

class StoredVersions : public UpdateValueStore {
 public:
  bool GetVersion(const std::string& keyPath, std::string& version) override {
    CQxRegstry reg;
    version = reg.GetString(keyPath, "Version");
    return !version.empty();
  }
};

}  // namespace

void BindVersionStore() {
  static StoredVersions versions;
  SetUpdateValueStore(&versions);
}

void BindCredentialPrompt() { SetCredentialPrompt(AskHttpCredentials); }

void BindScsiErrorPrompt() {
  SetScsiErrorPrompt([](const std::string& text) {
    RunOnGuiThread([&] {
      QMessageBox::information(nullptr, "Up Vane", QString::fromStdString(text));
      return 0;
    });
  });
}

bool QueryNewerVersion(int program, int& answered) {
  return IsNewerVersionAvailable(program == 0 ? PROGRAM_KIND_LAUNCHER : PROGRAM_KIND_UPVANE, answered);
}

}  // namespace upvane

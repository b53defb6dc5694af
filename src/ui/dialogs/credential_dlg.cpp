#include "ui/dialogs/credential_dlg.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/qt/gui_thread.h"
#include "ui/look.h"

namespace upvane {

bool AskHttpCredentials(const std::string& url, long status, HttpCredentials& out) {
  HttpCredentials entered;
  const int answer = RunOnGuiThread([&] {
    QDialog dlg;
    dlg.setWindowTitle("Up Vane");
    auto* layout = new QVBoxLayout(&dlg);
    auto* text = new QLabel(QString::fromStdString((status == 407 ? "The proxy for " : "The server at ") +
                                                   url + " asks for a user name and a password."));
    text->setWordWrap(true);
    text->setFont(PointFont(10));
    layout->addWidget(text);
    auto* form = new QFormLayout();
    auto* user = new QLineEdit();
    auto* password = new QLineEdit();
    password->setEchoMode(QLineEdit::Password);
    form->addRow("User name:", user);
    form->addRow("Password:", password);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    if (dlg.exec() != QDialog::Accepted) return 0;
    entered.user = user->text().toStdString();
    entered.password = password->text().toStdString();
    return 1;
  });
  if (answer != 1) return false;
  out = entered;
  return true;
}

}  // namespace upvane

#pragma once
// The session state shared by the pages, their workers and the engines.
// Integers are atomic; texts and the phone record are copied in and out
// under one lock, so no reader ever sees half a value.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "services/phone_info.h"

namespace upvane {

class CRunState {
 public:
  std::atomic<int> m_nCancelRequest{0};
  std::atomic<int> m_nCancelled{0};
  std::atomic<int> m_bLaunched{0};
  std::atomic<int64_t> m_nDownloadSize{0};
  std::atomic<int64_t> m_nUpdateSize{0};
  std::atomic<int> m_bLauncherNewer{0};
  std::atomic<int> m_bToolNewer{0};

  D_PHONE_INFO GetSelectedPhone() const;
  void SetSelectedPhone(const D_PHONE_INFO& phone);
  std::string GetModelName() const;
  void SetModelName(const std::string& v);
  std::string GetUpdateRef() const;
  void SetUpdateRef(const std::string& v);
  std::string GetTempFile1() const;
  void SetTempFile1(const std::string& v);
  std::string GetTempFile2() const;
  void SetTempFile2(const std::string& v);
  std::string GetMinutesMin() const;
  std::string GetMinutesMax() const;
  void SetMinutes(const std::string& low, const std::string& high);
  double GetScaleX() const;
  double GetScaleY() const;
  void SetScale(double x, double y);
  // Mebibytes the last free-space check required.
  int64_t GetNeededSpace() const;
  void SetNeededSpace(int64_t mb);

  // Back to the values the program starts with.
  void Reset();

 private:
  mutable std::mutex m_mutex;
  D_PHONE_INFO m_SelectedPhone;
  std::string m_strModelName, m_strUpdateRef, m_strTempFile1, m_strTempFile2, m_strMinutesMin,
      m_strMinutesMax;
  double m_dScaleX = 1.0, m_dScaleY = 1.0;
};

// The process's one session.
CRunState& RunState();

}  // namespace upvane

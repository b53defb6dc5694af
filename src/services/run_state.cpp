#include "services/run_state.h"

#include "services/system_helpers.h"

namespace upvane {

namespace {

template <typename T>
T Read(std::mutex& m, const T& v) {
  std::lock_guard<std::mutex> lock(m);
  return v;
}

template <typename T>
void Write(std::mutex& m, T& field, const T& v) {
  std::lock_guard<std::mutex> lock(m);
  field = v;
}

}  // namespace

D_PHONE_INFO CRunState::GetSelectedPhone() const { return Read(m_mutex, m_SelectedPhone); }
void CRunState::SetSelectedPhone(const D_PHONE_INFO& p) { Write(m_mutex, m_SelectedPhone, p); }
std::string CRunState::GetModelName() const { return Read(m_mutex, m_strModelName); }
void CRunState::SetModelName(const std::string& v) { Write(m_mutex, m_strModelName, v); }
std::string CRunState::GetUpdateRef() const { return Read(m_mutex, m_strUpdateRef); }
void CRunState::SetUpdateRef(const std::string& v) { Write(m_mutex, m_strUpdateRef, v); }
std::string CRunState::GetTempFile1() const { return Read(m_mutex, m_strTempFile1); }
void CRunState::SetTempFile1(const std::string& v) { Write(m_mutex, m_strTempFile1, v); }
std::string CRunState::GetTempFile2() const { return Read(m_mutex, m_strTempFile2); }
void CRunState::SetTempFile2(const std::string& v) { Write(m_mutex, m_strTempFile2, v); }
std::string CRunState::GetMinutesMin() const { return Read(m_mutex, m_strMinutesMin); }
std::string CRunState::GetMinutesMax() const { return Read(m_mutex, m_strMinutesMax); }

void CRunState::SetMinutes(const std::string& low, const std::string& high) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_strMinutesMin = low;
  m_strMinutesMax = high;
}

double CRunState::GetScaleX() const { return Read(m_mutex, m_dScaleX); }
double CRunState::GetScaleY() const { return Read(m_mutex, m_dScaleY); }

void CRunState::SetScale(double x, double y) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_dScaleX = x;
  m_dScaleY = y;
}

int64_t CRunState::GetNeededSpace() const { return g_nNeededSpace.load(); }
void CRunState::SetNeededSpace(int64_t mb) { g_nNeededSpace.store(mb); }

void CRunState::Reset() {
  m_nCancelRequest = 0;
  m_nCancelled = 0;
  m_bLaunched = 0;
  m_nDownloadSize = 0;
  m_nUpdateSize = 0;
  m_bLauncherNewer = 0;
  m_bToolNewer = 0;
  g_nNeededSpace = 0;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_SelectedPhone = D_PHONE_INFO{};
  m_strModelName.clear();
  m_strUpdateRef.clear();
  m_strTempFile1.clear();
  m_strTempFile2.clear();
  m_strMinutesMin.clear();
  m_strMinutesMax.clear();
  m_dScaleX = m_dScaleY = 1.0;
}

CRunState& RunState() {
  static CRunState state;
  return state;
}

}  // namespace upvane

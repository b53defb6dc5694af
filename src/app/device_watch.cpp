#include "app/device_watch.h"

#include <set>
#include <vector>

#include "app/identification.h"
#include "devices/qx_drive_info.h"
#include "devices/qx_port.h"
#include "devices/qx_scsi_cmd.h"
#include "platform/clock.h"
#include "platform/device_backend.h"
#include "services/run_state.h"
#include "store/qx_regstry.h"
#include "ui/dialogs/modal_dialog.h"

namespace upvane {

namespace {

constexpr uint32_t kCdromMountWaitMs = 120000;

bool VolumeReadable(const std::string& drive) {
  for (const DriveInfo& d : Devices().ListDrives())
    if (d.id == drive) return d.mediaPresent;
  return false;
}

bool IsMakerPort(const std::string& port) {
  CQXPort ports;
  ports.DiscoverPorts(false);
  for (const std::string& p : ports.ports)
    if (p == port) return true;
  return false;
}

}  // namespace

DeviceWatch::DeviceWatch(const DeviceWatchState& state) : m_state(state) {}

DeviceWatch::~DeviceWatch() {
  m_bRescanStop = true;
  if (m_rescan.joinable()) m_rescan.join();
  m_threads.JoinAll();
}

bool DeviceWatch::CdromCreated(const std::string& drive) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_cdromCreated.find(drive);
  return it != m_cdromCreated.end() && it->second;
}

void DeviceWatch::SetCdromCreated(const std::string& drive, bool on) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_cdromCreated[drive] = on;
}

void DeviceWatch::OnDeviceChange(const DeviceEvent& e) {
  if (m_state.engineActive && m_state.engineActive->load())
    OnEngineActive(e);
  else
    OnNormal(e);
}

void DeviceWatch::OnNormal(const DeviceEvent& e) {
  if (m_state.ignoreDevice && m_state.ignoreDevice->load()) return;
  if (e.kind == DeviceEventKind::kRemoval) {
    if (e.type != DeviceEventType::kOther && m_bRemovalPending == 0) {
      m_bRemovalPending = 1;
      StartRemovalThread();
    }
    return;
  }
  m_bRemovalPending = 0;  // an arrival cancels a waiting refresh
  if (e.type == DeviceEventType::kPort) {
    if (IsMakerPort(e.name)) {
      const std::string port = e.name;
      m_threads.Start([port] { IdentifyPortPhone(port); });
    }
    return;
  }
  if (e.type != DeviceEventType::kVolume) return;
  CQxDriveInfo drives;
  if (!drives.IsMakerDrive(e.name)) return;
  if (!drives.IsCdRomDrive(e.name)) {
    IdentifyFromDrive(e.name);
    return;
  }
  ClearIdentifiedPhone();
  if (VolumeReadable(e.name)) {
    // Mounted: a waiting thread sends the switch, or the drive is judged now.
    if (CdromCreated(e.name)) {
      SetCdromCreated(e.name, false);
      return;
    }
    IdentifyFromDrive(e.name);
    return;
  }
  std::string model, deviceId;
  if (drives.ReadDriveIdentity(e.name, model, deviceId, true) && !IsKnownConnected(model, deviceId)) {
    SetCdromCreated(e.name, true);
    StartCdromCreateThread(e.name);
  }
}

void DeviceWatch::IdentifyFromDrive(const std::string& drive) {
  CQxDriveInfo drives;
  std::string model, deviceId;
  bool needSwitch;
  if (drives.ReadDriveIdentity(drive, model, deviceId, drives.IsCdRomDrive(drive))) {
    ClearIdentifiedPhone();
    needSwitch = !IsKnownConnected(model, deviceId);
  } else {
    needSwitch = !GetIdentifiedPhone().set;
  }
  if (needSwitch) StartDriveThread(drive);
}

void DeviceWatch::OnEngineActive(const DeviceEvent& e) {
  CRunState& rs = RunState();
  if (e.kind == DeviceEventKind::kRemoval && e.type == DeviceEventType::kPort) {
    const int page = m_state.page ? m_state.page->load() : -1;
    const D_PHONE_INFO phone = rs.GetSelectedPhone();
    if ((page == 4 || page == 9) && rs.m_nCancelRequest == 0 && e.name == phone.SerialComm) {
      if (m_state.askOpen && m_state.askOpen->load() && m_state.askWindow) {
        PostMessage(m_state.askWindow(), WM_COMMAND, IDCANCEL, 0);
        for (int waited = 0; m_state.askOpen->load() && waited < 5000; waited += 10) PumpWait(10);
      }
      rs.m_nCancelRequest = 1;
      CQxRegstry reg;
      reg.SetPhoneString(phone.DeviceID, "ConnectFlg", "Off");
    }
    return;
  }
  if (e.kind != DeviceEventKind::kArrival || e.type != DeviceEventType::kVolume) return;
  CQxDriveInfo drives;
  if (!drives.IsMakerDrive(e.name)) return;
  if (!drives.IsCdRomDrive(e.name)) {
    StartDriveThread(e.name);
  } else if (VolumeReadable(e.name)) {
    if (CdromCreated(e.name))
      SetCdromCreated(e.name, false);
    else
      StartDriveThread(e.name);
  } else {
    SetCdromCreated(e.name, true);
    StartCdromCreateThread(e.name);
  }
}

void DeviceWatch::StartDriveThread(const std::string& drive) {
  m_threads.Start([drive] {
    CQxDriveInfo drives;
    CQxScsiCmd scsi;
    // The CD-ROM takes the read/write notice, a disk the query-only one.
    if (drives.IsCdRomDrive(drive))
      scsi.SendDriveNotice2(drive);
    else
      scsi.SendDriveNotice0(drive);
  });
}

void DeviceWatch::StartCdromCreateThread(const std::string& drive) {
  m_threads.Start([this, drive] {
    const uint64_t start = GetTickCount64();
    while (CdromCreated(drive) && GetTickCount64() - start < kCdromMountWaitMs && !Stopping()) PumpWait(100);
    SetCdromCreated(drive, false);
    if (Stopping()) return;
    CQxScsiCmd scsi;
    scsi.SendDriveNotice2(drive);
  });
}

void DeviceWatch::StartRemovalThread() {
  m_threads.Start([this] {
    for (int i = 0; i < 30; ++i) {
      PumpWait(100);
      if (m_bRemovalPending == 0 || Stopping()) return;
    }
    RefreshConnections();
    m_bRemovalPending = 0;
  });
}

void DeviceWatch::RefreshConnections() {
  CQxRegstry reg;
  std::vector<D_PHONE_INFO> records;
  D_PHONE_INFO info;
  for (uint32_t i = 0; reg.ReadPhoneAt(i, info); ++i) {
    info.ConnectFlg = "Off";
    records.push_back(info);
    info = D_PHONE_INFO{};
  }
  if (records.empty()) return;
  auto markOn = [&](const std::string& model, const std::string& deviceId) {
    for (D_PHONE_INFO& r : records)
      if ((model.empty() || r.ModelID == model) && r.DeviceID == deviceId) {
        r.ConnectFlg = "On";
        return;
      }
  };
  CQxDriveInfo drives;
  for (const DriveInfo& d : Devices().ListDrives()) {
    if (!drives.IsMakerDrive(d.id)) continue;
    std::string model, deviceId;
    if (drives.ReadDriveIdentity(d.id, model, deviceId, d.cdrom) && !model.empty() && !deviceId.empty())
      markOn(model, deviceId);
  }
  drives.ScanMakerUsbDevices();
  for (const std::string& id : drives.deviceIds) markOn("", id);
  CQXPort ports;
  ports.DiscoverPorts(false);
  for (const std::string& port : ports.ports) {
    std::string model, deviceId;
    if (ReadPortModelAndId(port, model, deviceId)) markOn(model, deviceId);
  }
  for (const D_PHONE_INFO& r : records) reg.SetPhoneString(r.DeviceID, "ConnectFlg", r.ConnectFlg);
}

void DeviceWatch::StartupScan() {
  CQXPort ports;
  ports.DiscoverPorts(false);
  for (const std::string& port : ports.ports) {
    m_threads.Start([port] { IdentifyPortPhone(port); });
    PumpWait(100);
  }
  CQxDriveInfo drives;
  for (const DriveInfo& d : Devices().ListDrives()) {
    if (!drives.IsMakerDrive(d.id)) continue;
    StartDriveThread(d.id);
    PumpWait(100);
  }
}

bool DeviceWatch::TakeEvent(DeviceEvent& event) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_events.empty()) return false;
  event = m_events.front();
  m_events.pop_front();
  return true;
}

void DeviceWatch::StartRescan(WindowId window, uint32_t periodMs) {
  if (m_rescan.joinable()) return;
  m_rescan = std::thread([this, window, periodMs] { Rescan(window, periodMs); });
}

void DeviceWatch::Rescan(WindowId window, uint32_t periodMs) {
  // A drive counts as a new volume when it appears and again when its media
  // becomes readable, as a mounted CD-ROM does.
  std::map<std::string, bool> drives;
  std::set<std::string> ports;
  bool first = true;
  while (!m_bRescanStop) {
    std::map<std::string, bool> nowDrives;
    for (const DriveInfo& d : Devices().ListDrives()) nowDrives[d.id] = d.mediaPresent;
    std::set<std::string> nowPorts;
    for (const SerialPortInfo& p : Devices().ListSerialPorts()) nowPorts.insert(p.path);
    std::vector<DeviceEvent> changes;
    if (!first) {
      for (const auto& [id, media] : nowDrives) {
        auto old = drives.find(id);
        if (old == drives.end() || (media && !old->second))
          changes.push_back({DeviceEventKind::kArrival, DeviceEventType::kVolume, id});
      }
      for (const auto& [id, media] : drives)
        if (!nowDrives.count(id))
          changes.push_back({DeviceEventKind::kRemoval, DeviceEventType::kVolume, id});
      for (const std::string& p : nowPorts)
        if (!ports.count(p)) changes.push_back({DeviceEventKind::kArrival, DeviceEventType::kPort, p});
      for (const std::string& p : ports)
        if (!nowPorts.count(p)) changes.push_back({DeviceEventKind::kRemoval, DeviceEventType::kPort, p});
    }
    first = false;
    drives.swap(nowDrives);
    ports.swap(nowPorts);
    for (const DeviceEvent& e : changes) {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(e);
      }
      PostMessage(window, WM_DEVICECHANGE, 0, 0);
    }
    for (uint32_t waited = 0; waited < periodMs && !m_bRescanStop; waited += 50) SleepMs(50);
  }
}

}  // namespace upvane

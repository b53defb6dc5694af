#pragma once
// A sysfs tree laid out as the kernel lays it out for a PC with a phone's
// diagnostic port (CDC-ACM), another maker's USB serial adapter, a phone
// CD-ROM, a USB stick of another vendor, legacy UART slots, a virtual
// console and a loop device. Links are relative, as the real ones are.
#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace upvane::test {

class FakeSysfs {
 public:
  static constexpr const char* kPhoneSerial = "35812345678901";

  FakeSysfs() {
    const std::string usb = "sys/devices/pci0000:00/0000:00:14.0/usb1";
    Attr(usb + "/idVendor", "1d6b");
    Attr(usb + "/idProduct", "0002");
    Attr(usb + "/manufacturer", "Linux 6.1.0 xhci-hcd");
    Attr(usb + "/product", "xHCI Host Controller");
    Attr(usb + "/serial", "0000:00:14.0");
    Link("sys/bus/usb/devices/usb1", "../../../devices/pci0000:00/0000:00:14.0/usb1");

    // The phone's diagnostic port.
    UsbDevice(usb, "1-1", "1e0e", "9001", "Brennix", "Brennix Phone", "BX0001");
    Attr(usb + "/1-1/1-1:1.0/bInterfaceNumber", "00");
    Attr(usb + "/1-1/1-1:1.0/interface", "Diagnostic Interface");
    Attr(usb + "/1-1/1-1:1.0/tty/ttyACM0/dev", "166:0");
    Link(usb + "/1-1/1-1:1.0/tty/ttyACM0/device", "../../../1-1:1.0");
    Link("sys/class/tty/ttyACM0", "../../devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/tty/ttyACM0");
    Link("sys/bus/usb/devices/1-1:1.0", "../../../devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0");

    // A USB serial adapter: the tty hangs below the usb-serial port.
    UsbDevice(usb, "1-2", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI");
    Attr(usb + "/1-2/1-2:1.0/bInterfaceNumber", "00");
    Attr(usb + "/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0/dev", "188:0");
    Link(usb + "/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0/device", "../../../ttyUSB0");
    Link("sys/class/tty/ttyUSB0",
         "../../devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0");

    // The phone in storage mode: a CD-ROM with padded SCSI texts.
    UsbDevice(usb, "1-3", "1e0e", "f000", "Brennix", "E3105", kPhoneSerial);
    const std::string cdrom = usb + "/1-3/1-3:1.0/host6/target6:0:0/6:0:0:0";
    Attr(usb + "/1-3/1-3:1.0/bInterfaceNumber", "00");
    Attr(cdrom + "/vendor", "BRENNIX ");
    Attr(cdrom + "/model", "E3105           ");
    Attr(cdrom + "/rev", "0001");
    Attr(cdrom + "/type", "5");
    Attr(cdrom + "/block/sr0/removable", "1");
    Attr(cdrom + "/block/sr0/size", "0");
    Link(cdrom + "/block/sr0/device", "../../../6:0:0:0");
    Link("sys/block/sr0",
         "../devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/host6/target6:0:0/6:0:0:0/block/sr0");

    // A USB stick of another vendor.
    UsbDevice(usb, "1-4", "0781", "5567", "SanDisk", "Cruzer Blade", "4C530001230415117294");
    const std::string stick = usb + "/1-4/1-4:1.0/host7/target7:0:0/7:0:0:0";
    Attr(usb + "/1-4/1-4:1.0/bInterfaceNumber", "00");
    Attr(stick + "/vendor", "SanDisk ");
    Attr(stick + "/model", "Cruzer Blade    ");
    Attr(stick + "/rev", "1.00");
    Attr(stick + "/type", "0");
    Attr(stick + "/block/sdb/removable", "1");
    Attr(stick + "/block/sdb/size", "30031872");
    Link(stick + "/block/sdb/device", "../../../7:0:0:0");
    Link("sys/block/sdb",
         "../devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/host7/target7:0:0/7:0:0:0/block/sdb");

    // Legacy UART slots (one without a UART), a console, a loop device.
    for (const char* name : {"ttyS0", "ttyS4"}) {
      const std::string tty = std::string("sys/devices/platform/serial8250/tty/") + name;
      Attr(tty + "/type", name == std::string("ttyS0") ? "0" : "4");
      Link(tty + "/device", "../../../serial8250");
      Link(std::string("sys/class/tty/") + name,
           "../../devices/platform/serial8250/tty/" + std::string(name));
    }
    Attr("sys/devices/virtual/tty/tty0/dev", "4:0");
    Link("sys/class/tty/tty0", "../../devices/virtual/tty/tty0");
    Attr("sys/devices/virtual/block/loop0/size", "0");
    Link("sys/block/loop0", "../devices/virtual/block/loop0");
  }

  const std::string& root() const { return m_dir.path(); }
  std::string Path(const std::string& relative) const { return m_dir.File(relative); }

  // An attribute as sysfs shows it: the text and a line end.
  void Attr(const std::string& relative, const std::string& value) {
    const std::filesystem::path path(m_dir.File(relative));
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    WriteFile(path.string(), value + "\n");
  }
  void Link(const std::string& relative, const std::string& target) {
    const std::filesystem::path path(m_dir.File(relative));
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::filesystem::create_symlink(target, path, ec);
  }

 private:
  void UsbDevice(const std::string& usb, const std::string& name, const std::string& vid,
                 const std::string& pid, const std::string& manufacturer, const std::string& product,
                 const std::string& serial) {
    Attr(usb + "/" + name + "/idVendor", vid);
    Attr(usb + "/" + name + "/idProduct", pid);
    Attr(usb + "/" + name + "/manufacturer", manufacturer);
    Attr(usb + "/" + name + "/product", product);
    Attr(usb + "/" + name + "/serial", serial);
    Link("sys/bus/usb/devices/" + name, "../../../devices/pci0000:00/0000:00:14.0/usb1/" + name);
  }

  TempDir m_dir;
};

}  // namespace upvane::test

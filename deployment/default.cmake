# Deployment values of the simulator (sim/). A real deployment passes
# -DUPVANE_DEPLOYMENT=<file> with its own values; the run-time overrides
# UPVANE_UPDATE_URL, UPVANE_REPAIR_HOST, UPVANE_VERSION_HOST and
# UPVANE_CA_FILE take precedence over both.
set(UPVANE_UPDATE_URL "https://127.0.0.1:47443/sysupdaterserver/" CACHE STRING "update server URL")
set(UPVANE_REPAIR_HOST "127.0.0.1:47080" CACHE STRING "repair-image file server host[:port]")
set(UPVANE_VERSION_HOST "127.0.0.1:47444" CACHE STRING "version and log server host[:port]")
set(UPVANE_CA_FILE "" CACHE STRING "extra CA certificate file (PEM) trusted besides the system store")

# Update-server keys: 32 lowercase hexadecimal digits each.
set(UPVANE_DEFAULT_KEY "5a0f3c9e61b24d7088a1e2c3d4f50617" CACHE STRING "update-server default key")
set(UPVANE_FIXED_IV "0f1e2d3c4b5a69788796a5b4c3d2e1f0" CACHE STRING "update-server fixed IV")
set(UPVANE_REQUEST_KEY_1 "c3101a0000000000000000000000c101" CACHE STRING "request key C3101")
set(UPVANE_REQUEST_KEY_2 "e3102a0000000000000000000000e102" CACHE STRING "request key E3102")
set(UPVANE_REQUEST_KEY_3 "e3104a0000000000000000000000e104" CACHE STRING "request key E3104")
set(UPVANE_REQUEST_KEY_4 "e3105a0000000000000000000000e105" CACHE STRING "request key E3105")
set(UPVANE_REQUEST_KEY_5 "53106a000000000000000000000053a6" CACHE STRING "request key S3106")
set(UPVANE_REQUEST_KEY_6 "e3107a0000000000000000000000e107" CACHE STRING "request key E3107")
set(UPVANE_REQUEST_KEY_7 "e3108a0000000000000000000000e108" CACHE STRING "request key E3108")
set(UPVANE_REQUEST_KEY_8 "e3109a0000000000000000000000e109" CACHE STRING "request key E3109")
set(UPVANE_REQUEST_KEY_9 "e3110a0000000000000000000000e110" CACHE STRING "request key E3110")
set(UPVANE_REQUEST_KEY_10 "c3111a0000000000000000000000c111" CACHE STRING "request key C3111")
set(UPVANE_REQUEST_KEY_11 "e3112a0000000000000000000000e112" CACHE STRING "request key E3112")
set(UPVANE_REQUEST_KEY_12 "e3113a0000000000000000000000e113" CACHE STRING "request key E3113")

# Diagnostic port: the unlock key's two 32-bit constants (the key is their
# eight bytes, low word first, each little-endian) and the data marker.
set(UPVANE_UNLOCK_KEY_LO "0x56505553" CACHE STRING "diagnostic unlock key, first constant")
set(UPVANE_UNLOCK_KEY_HI "0x4B4E4C4D" CACHE STRING "diagnostic unlock key, second constant")
set(UPVANE_DIAG_MARKER "LOOTBFXQ" CACHE STRING "8-character data marker")

# SCSI mode switch: 15 printable ASCII characters.
set(UPVANE_MODE_SWITCH_WORD "UPVANESIMSWITCH" CACHE STRING "mode-switch word")

set(UPVANE_SUPPORT_PAGE "https://support.example.com/upvane/not-detected" CACHE STRING "support web page")

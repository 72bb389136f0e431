#include "usbserial-private.h"

#include <SystemRoot.h>

#include <QFile>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
constexpr int kLineMax = 1023;

// One line up to a line feed or the end of the file; longer lines are cut
// and the rest of them skipped, so a long line never spills into the next.
void GetString(FILE* file, char* line)
{
    int n = 0;
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n') {
        if (n < kLineMax)
            line[n++] = char(c);
    }
    line[n] = 0;
}

int GetSectionType(const char* line)
{
    if (std::strcmp(line, "[Globals]") == 0)
        return 0;
    if (std::strncmp(line, "[VID_", 5) == 0)
        return 1;
    const size_t n = std::strlen(line);
    if (n >= 2 && line[0] == '[' && line[n - 1] == ']')
        return 2;
    return 3;
}

int GetConfigType(const char* line)
{
    return std::strlen(line) >= 12 && std::strncmp(line, "ConfigFlags=", 12) == 0 ? 0 : 1;
}

int GetConfigFlags(DeviceExtension* r, const char* line)
{
    unsigned int value = 0;
    if (std::sscanf(line, "ConfigFlags=0x%X", &value) != 1)
        return 0;
    r->configFlags = value;
    return 1;
}

// 1: read on (the next line must be another section header), 0: stop.
int SetConfigData(int type, const char* header, FILE* file, DeviceExtension* r)
{
    char line[kLineMax + 1];
    if (type == 1) {
        unsigned int vid = 0, pid = 0;
        if (std::sscanf(header, "[VID_%X&PID_%X", &vid, &pid) != 2)
            return 0;
        GetString(file, line);
        if (GetConfigType(line) != 0 || vid != r->vid || pid != r->pid)
            return 0;
        return GetConfigFlags(r, line) ? 0 : 1;
    }
    if (type == 2) {
        const size_t n = std::strlen(header);
        char serial[kLineMax + 1];
        std::memcpy(serial, header + 1, n - 2);
        serial[n - 2] = 0;
        GetString(file, line);
        if (GetConfigType(line) != 0 || std::strcmp(serial, r->serialCache) != 0)
            return 0;
        return GetConfigFlags(r, line) ? 0 : 1;
    }
    GetString(file, line);
    if (GetConfigType(line) != 0)
        return 0;
    return GetConfigFlags(r, line) ? 0 : 1;
}

FILE* openConfigFile()
{
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) {
        char path[4200];
        std::snprintf(path, sizeof path, "%s/usbserial.cfg", cwd);
        if (FILE* f = std::fopen(path, "r"))
            return f;
    }
    // The system copies are looked for under the system root, so tests and the
    // simulated dyno read fixtures, never the development machine's own files.
    for (const char* system : {"/usr/local/lib/usbserial.cfg", "/usr/lib/usbserial.cfg"}) {
        const QByteArray path = QFile::encodeName(SystemRoot::filePath(QString::fromLatin1(system)));
        if (FILE* f = std::fopen(path.constData(), "r"))
            return f;
    }
    return nullptr;
}
} // namespace

void GetDeviceConfigSettings(DeviceExtension* r)
{
    std::memset(r->serialCache, 0, sizeof r->serialCache);
    if (r->dev_desc->iSerialNumber) {
        unsigned char serial[16] = {};
        if (usbBus().getStringDescriptorAscii(r->usbctx.usb_dev, r->dev_desc->iSerialNumber, serial, 16) < 0)
            serial[0] = 0;
        std::memcpy(r->serialCache, serial, 15);
    }
    if (chipMultiInterface(r->dev_desc))
        appendInterfaceLetter(r->serialCache, r->interfaceNumber);
    r->configFlags = 0;

    FILE* file = openConfigFile();
    if (!file)
        return;
    char line[kLineMax + 1];
    GetString(file, line);
    int readOn = 1;
    while (line[0] && readOn) {
        const int type = GetSectionType(line);
        if (type == 3)
            break;
        readOn = SetConfigData(type, line, file, r);
        if (readOn)
            GetString(file, line);
    }
    std::fclose(file);
}

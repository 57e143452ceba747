// The service address "host[:port]" from PELORINA_SERVICE or the build: whatever passes must be safe
// to hand to the FTP library, which crashes on a port that is not a number.
#include <cstdio>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "online/service.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text = fuzz::Text(data, size);
    ServiceAddress address;
    if (!ParseServiceAddress(text.c_str(), address)) {
        FUZZ_CHECK(address.host[0] == 0 && address.ftplibText[0] == 0);
        return 0;
    }
    size_t hostLength = strnlen(address.host, sizeof address.host);
    FUZZ_CHECK(hostLength > 0 && hostLength < sizeof address.host);
    for (size_t i = 0; i < hostLength; ++i) {
        char c = address.host[i];
        bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        FUZZ_CHECK(letterOrDigit || c == '.' || c == '-' || c == '_');
    }
    FUZZ_CHECK(std::strchr(".-", address.host[0]) == nullptr);
    FUZZ_CHECK(std::strchr(".-", address.host[hostLength - 1]) == nullptr);
    FUZZ_CHECK(address.port >= 1 && address.port <= 65535);
    // The text the FTP library gets is exactly host:port, and names the host that was given.
    char expected[sizeof address.ftplibText];
    std::snprintf(expected, sizeof expected, "%s:%d", address.host, address.port);
    FUZZ_CHECK(std::strcmp(expected, address.ftplibText) == 0);
    FUZZ_CHECK(text.compare(0, hostLength, address.host) == 0);
    return 0;
}

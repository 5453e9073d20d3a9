// USB identity of the SPI cards: the maker's vendor id and the product ids of the two card types.
// The libusb driver picks devices by the vendor id; the card scan names the card type by product.
// packaging/udev/60-talvix-usb-spi.rules repeats these ids: change both together.
#pragma once

#include <cstdint>

namespace talvix::platform {

inline constexpr uint16_t kCardVendorId = 0x0456;
inline constexpr uint16_t kPellowProductId = 0xB203;  // card type "Pellow"
inline constexpr uint16_t kQuarnProductId = 0xB204;   // card type "Quarn"

}  // namespace talvix::platform

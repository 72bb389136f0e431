#pragma once

#include <cstdint>

// The check value the controller's bootloader computes over one received
// firmware page: CRC-8, polynomial 0x07, initial value 0, no reflection, no
// final XOR. The image builder stores the same value as each page's check byte,
// so an image and the simulated bootloader agree by construction.
uint8_t firmwarePageCheck(const unsigned char* data, int length);

#pragma once

// The product variant this program configures and the files that come with it.
namespace cravent::product {

// Variant selector: 2 and 3 build the configuration image and select banks 1 and 2.
inline constexpr int GatewayModel = 3;

inline constexpr const char* MasterFirmwareName = "QF40231.sx";
inline constexpr const char* FlasherName = "VuvivOdori.exe";

} // namespace cravent::product

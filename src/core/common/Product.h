#pragma once

// The product variant this program configures.
namespace cravent::product {

// Variant selector: 2 and 3 build the configuration image and select banks 1 and 2.
inline constexpr int GatewayModel = 3;

} // namespace cravent::product

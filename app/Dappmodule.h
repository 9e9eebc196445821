#pragma once

/// The application data module: created with the other modules, it holds nothing and does nothing.
class TAppModule {};

inline TAppModule* AppModule = nullptr;

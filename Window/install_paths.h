// The install root as the install flow reads it from the path field.
#pragma once

#include <string>

/// `text` with one trailing separator ensured.
std::wstring InstallRootFromPathField(const std::wstring& text);

/// The place whose free space the install root needs: the drive ("D:") of a Windows root; on a
/// system without drive letters, the nearest folder of the root that exists. Empty when neither
/// can be found.
std::wstring VolumeOfInstallRoot(const std::wstring& install_root);

// The two small URL rules of the product table.
#pragma once

#include <string>

/// Adds "&custom=" + `custom` to a maker's page address, which is recognised by holding "key=";
/// any other address, an empty one or an empty `custom` comes back unchanged.
std::wstring AppendCustomParam(const std::wstring& url, const std::wstring& custom);

/// Splits an http or https address into host and path (without its leading "/"). An address of
/// another scheme returns true with both left untouched; one without a "/" after the host sets
/// only `host` and returns false.
bool SplitUrl(const std::wstring& url, std::wstring& host, std::wstring& path);

/// A value for a URL query: UTF-8 bytes, every byte other than letters, digits and "-._~"
/// written as "%XX".
std::wstring PercentEncodeQueryValue(const std::wstring& value);

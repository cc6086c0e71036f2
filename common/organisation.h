#pragma once
// The organisation that deploys the suite: the one place for its name and
// addresses (about boxes, the player's about page, the splitter's log header,
// download links). A deploying library fills these in.

namespace lumo::organisation {

inline constexpr const char* Name = "La biblioteca";
inline constexpr const char* PostalAddress = "Indirizzo della biblioteca";
inline constexpr const char* Telephone = "Telefono della biblioteca";
inline constexpr const char* Fax = "Fax della biblioteca";
inline constexpr const char* WebAddress = "https://biblioteca.example";
inline constexpr const char* Email = "info@biblioteca.example";
inline constexpr const char* Copyright = "Copyright (C) la biblioteca";
// Hosts of the download links of the finder's page: the suite's maker and
// the library's downloader.
inline constexpr const char* WebHost = "biblioteca.example";
inline constexpr const char* DownloaderWebHost = "biblioteca.example";

}  // namespace lumo::organisation

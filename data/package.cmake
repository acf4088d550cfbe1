# The Debian package, built by `cpack -G DEB` (scripts/package). The libraries the programs
# link are worked out by dpkg-shlibdeps; what they only load at run time is named here.

set(CPACK_GENERATOR DEB)
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME tunewick)
set(CPACK_PACKAGE_VENDOR "The Tunewick developers")
set(CPACK_PACKAGE_CONTACT "The Tunewick developers" CACHE STRING "The package's maintainer")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tidy the file names of a music collection")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tunewick renames the songs (MP3, WAV, WMA; FLAC, Ogg, Opus, M4A and AIFF as a\n"
  "choice) of a music library into the form\n"
  "\"Artist Name - Song Name.ext\": spaces around the dash, underscores to spaces,\n"
  "capitals, no bracketed numbers or track-number prefixes. It lists the songs\n"
  "still named wrongly and helps to fix them by hand or from their ID3v1 tags.\n"
  "A song never leaves its folder and no file is ever overwritten.\n"
  "The package holds the desktop program and tunewick-cli for terminals.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/tunewick/tunewick")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Playback goes through Qt Multimedia's GStreamer back end, which finds its decoders at
# run time: WAV and MP3 (good), the ASF container of WMA (ugly) and its decoder (libav);
# Ogg, Vorbis and Opus (base), FLAC and the MP4 container of M4A (good), AAC, ALAC and the
# AIFF container (libav).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly, gstreamer1.0-libav")
# The headings' typeface, the marks that stand for control characters in names (Control
# Pictures, which no default font draws), the desktop's "open" for what the preview cannot
# play, and the documents folder's name.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, fonts-symbola, xdg-utils, xdg-user-dirs")

include(CPack)

#include "imaging/qt/bildkodierer_qt.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageWriter>
#include <cstring>

#include "imaging/bilddatei.h"

namespace vxm {
namespace {

QList<QRgb> Farbtabelle(const Bildpuffer& bild) {
  QList<QRgb> tabelle;
  tabelle.reserve(static_cast<qsizetype>(bild.Palette.size()));
  for (int32_t f : bild.Palette) {
    const auto u = static_cast<uint32_t>(f);
    tabelle.push_back(qRgb(static_cast<int>(u & 0xFF), static_cast<int>((u >> 8) & 0xFF), static_cast<int>((u >> 16) & 0xFF)));
  }
  return tabelle;
}

int32_t Kodieren(const Bildpuffer& bild, const char* format, int qualitaet, std::string& bytes) {
  const QImage bildQt = QImageAusPuffer(bild);
  if (bildQt.isNull()) return vic::ZuWenigSpeicher;
  QByteArray daten;
  QBuffer puffer(&daten);
  puffer.open(QIODevice::WriteOnly);
  QImageWriter schreiber(&puffer, format);
  if (qualitaet >= 0) schreiber.setQuality(qualitaet);
  if (!schreiber.write(bildQt)) {
    return schreiber.error() == QImageWriter::UnsupportedFormatError ? vic::ModulFehlt : vic::ZuWenigSpeicher;
  }
  bytes.assign(daten.constData(), static_cast<std::size_t>(daten.size()));
  return 0;
}

}  // namespace

QImage QImageAusPuffer(const Bildpuffer& bild) {
  if (!bild.Gueltig()) return {};
  const QImage::Format format = bild.BitsProPixel == 1   ? QImage::Format_Mono
                                : bild.BitsProPixel == 8 ? QImage::Format_Indexed8
                                                         : QImage::Format_RGB888;
  QImage aus(bild.Breite, bild.Hoehe, format);
  if (aus.isNull()) return {};
  if (bild.BitsProPixel != 24) aus.setColorTable(Farbtabelle(bild));
  for (int32_t y = 0; y < bild.Hoehe; ++y) std::memcpy(aus.scanLine(y), bild.Zeile(y), bild.ZeilenLaenge());
  return aus;
}

void QtBildkodiererAnmelden() {
  auto& dienst = BildkodiererDienst();
  dienst.Png = [](const Bildpuffer& bild, std::string& bytes) { return Kodieren(bild, "png", -1, bytes); };
  dienst.Jpg = [](const Bildpuffer& bild, int qualitaet, std::string& bytes) {
    return Kodieren(bild, "jpeg", qualitaet, bytes);
  };
}

}  // namespace vxm

// PNG and JPEG files of the scan image through Qt's writers, read back with
// Qt's readers.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "basis/zustand.h"
#include "imaging/bilddatei.h"
#include "imaging/qt/bildkodierer_qt.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

Bildpuffer Muster(int bits, int32_t breite = 37, int32_t hoehe = 23) {
  Bildpuffer b;
  EXPECT_EQ(BildpufferAnlegen(b, breite, hoehe, bits), 0);
  if (bits == 8) {
    for (int i = 0; i < 256; ++i) b.Palette[i] = RGB(i, 255 - i, (i * 7) & 0xFF);
  }
  for (int32_t y = 0; y < hoehe; ++y)
    for (int32_t x = 0; x < breite; ++x) {
      if (bits == 1) {
        if ((x / 4 + y / 4) % 2) b.Zeile(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else if (bits == 8) {
        b.Zeile(y)[x] = static_cast<uint8_t>(x * 5 + y * 3);
      } else {
        uint8_t* p = b.Zeile(y) + 3 * x;
        p[0] = static_cast<uint8_t>(x * 6);
        p[1] = static_cast<uint8_t>(y * 10);
        p[2] = static_cast<uint8_t>(128);
      }
    }
  return b;
}

class QtBildSpeichernTest : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    OrdnerAnlegenHost("C:\\SCAN");
    QtBildkodiererAnmelden();
  }
  void TearDown() override {
    BildkodiererDienst() = {};
    Umgebung::TearDown();
  }

  int32_t Speichern(const Bildpuffer& bild, const std::string& datei) {
    Zustand().ScanBild = std::make_shared<Bildpuffer>(bild);
    return BildSpeichern(datei);
  }

  QImage Lesen(const std::string& datei, const char* format) {
    const std::string bytes = Inhalt(datei);
    QImage bild;
    EXPECT_TRUE(bild.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), format));
    return bild;
  }

  // Largest difference of any channel between the buffer and the read-back
  // picture; -1 when the sizes differ.
  static int Abweichung(const Bildpuffer& soll, const QImage& ist) {
    if (ist.width() != soll.Breite || ist.height() != soll.Hoehe) return -1;
    int groesste = 0;
    for (int32_t y = 0; y < soll.Hoehe; ++y)
      for (int32_t x = 0; x < soll.Breite; ++x) {
        const auto f = static_cast<uint32_t>(soll.Farbe(x, y));
        const QRgb q = ist.pixel(x, y);
        groesste = std::max({groesste, std::abs(static_cast<int>(f & 0xFF) - qRed(q)),
                             std::abs(static_cast<int>((f >> 8) & 0xFF) - qGreen(q)),
                             std::abs(static_cast<int>((f >> 16) & 0xFF) - qBlue(q))});
      }
    return groesste;
  }
};

TEST_F(QtBildSpeichernTest, PngVerlustfreiInJederTiefe) {
  for (int bits : {1, 8, 24}) {
    SCOPED_TRACE(bits);
    const Bildpuffer bild = Muster(bits);
    ASSERT_EQ(Speichern(bild, "C:\\SCAN\\Seite.PNG"), 0);
    EXPECT_EQ(Abweichung(bild, Lesen("C:\\SCAN\\Seite.PNG", "PNG")), 0);
  }
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(QtBildSpeichernTest, JpgQualitaet75InnerhalbDerToleranz) {
  // Smooth pictures survive quality 75 closely.
  const Bildpuffer farbig = Muster(24);
  ASSERT_EQ(Speichern(farbig, "C:\\SCAN\\farbig.jpg"), 0);
  const QImage gelesen = Lesen("C:\\SCAN\\farbig.jpg", "JPEG");
  const int abw = Abweichung(farbig, gelesen);
  EXPECT_GE(abw, 0);
  EXPECT_LE(abw, 24);

  // A lineart page is widened to 8 bits first; black stays dark, white light.
  const Bildpuffer strich = Muster(1);
  ASSERT_EQ(Speichern(strich, "C:\\SCAN\\strich.jpg"), 0);
  const QImage s = Lesen("C:\\SCAN\\strich.jpg", "JPEG");
  ASSERT_EQ(s.width(), strich.Breite);
  ASSERT_EQ(s.height(), strich.Hoehe);
  // Away from the edges of the 4-pixel checks the ringing is small.
  for (int32_t y = 1; y < strich.Hoehe; y += 4)
    for (int32_t x = 1; x < strich.Breite; x += 4) {
      const int soll = strich.Index(x, y) ? 255 : 0;
      EXPECT_NEAR(qGray(s.pixel(x, y)), soll, 64) << x << "," << y;
    }

  // Quality 75 is what the file carries: a higher quality gives a larger file.
  QImage hoch = QImageAusPuffer(farbig);
  QByteArray besser;
  QBuffer puffer(&besser);
  puffer.open(QIODevice::WriteOnly);
  hoch.save(&puffer, "JPEG", 95);
  EXPECT_LT(Inhalt("C:\\SCAN\\farbig.jpg").size(), static_cast<std::size_t>(besser.size()));
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

}  // namespace
}  // namespace vxm

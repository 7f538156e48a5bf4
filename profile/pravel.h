#pragma once
// The INI profile control: reads and writes one entry at a time of an INI file named by its
// properties, and reports the system's folders.
//
// File, Sezione, Chiave and Valore are shared by every Pravel on the thread: setting one on any
// instance sets it for all. Methods take no arguments, work on the current properties and report
// nothing; a read that finds nothing leaves Valore = "Errore".
#include <functional>
#include <string>

#include "profile/property_bag.h"

class Pravel {
public:
    // The size of the control's picture, Immagine; the control always keeps it.
    static constexpr int kImmagineWidth = 32;
    static constexpr int kImmagineHeight = 32;

    Pravel() = default;
    // Whatever the control changed reaches the disk before it goes.
    ~Pravel();
    Pravel(const Pravel&) = delete;
    Pravel& operator=(const Pravel&) = delete;

    std::string File() const;
    void File(const std::string& value);
    std::string Sezione() const;
    void Sezione(const std::string& value);
    std::string Chiave() const;
    void Chiave(const std::string& value);
    std::string Valore() const;
    void Valore(const std::string& value);

    // Told the name of every property set ("Sezione", "Chiave", "Valore", "File").
    std::function<void(const std::string& name)> PropertyChanged;

    void CancellaChiave();
    void CancellaSezione();
    void CreaChiave();
    void CreaFileIni();
    void CreaSezione();
    void ScriviValore();
    // Reads into Valore (at most 126 characters); returns "".
    std::string LeggiValore();
    // Folders of this system, each ending in "/", their case kept.
    std::string SyPath() const;
    std::string WnPath() const;
    std::string TePath() const;

    void ReadProperties(PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Whatever size the container asks for, the control takes the picture's size again.
    void Resize(int width, int height);

    // The help string of a property; "" for any other name.
    static std::string HelpString(const std::string& property);

private:
    void changed(const char* name);

    int width_ = kImmagineWidth;
    int height_ = kImmagineHeight;
};

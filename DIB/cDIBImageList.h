// The image list of the skinned editor: an ordered collection of images (each a TMemoryDIB whose
// pixels are stored in the form stream as "Data"), the links through which controls refer to an
// image by list and index, and the "Data" format with its optional compressor wrapping.
#pragma once

#include "DIB/cDIB.h"
#include "toolkit/Collection.h"
#include "toolkit/Component.h"
#include "toolkit/Zoom.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace toolkit {
class TClassRegistry;
}

namespace dib {

class EDIBCompressError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using TDIBCodecId = std::array<std::uint8_t, 16>; // a GUID, as stored

class TDIBDecompressor {
  public:
    virtual ~TDIBDecompressor() = default;
    virtual TDIBCodecId Identifier() const = 0;
    virtual bool Handles(const TDIBCodecId& id) const { return id == Identifier(); }
    // Expands input into output, which has room for exactly the plain length.
    virtual void Expand(const TCustomMemoryDIB& image, const TDIBCodecId& id, std::int32_t plainLength,
                        std::span<const std::uint8_t> input, std::span<std::uint8_t> output) const = 0;
};

class TDIBCompressor {
  public:
    virtual ~TDIBCompressor() = default;
    virtual TDIBCodecId Identifier() const = 0;
    // Appends the compressed bytes to output and returns their count, or 0 when compression does not pay.
    virtual std::size_t Compress(const TCustomMemoryDIB& image, std::span<const std::uint8_t> input,
                                 std::vector<std::uint8_t>& output) const = 0;
};

// "Data": 16-bit width and height, then width × height pixels of 4 bytes, bottom row first; or that
// plain form wrapped as "DIBCMP", a compressor's identifier, the plain length and compressed bytes.
// No compressor is registered in this program, so it writes the plain form and cannot read a wrapped one.
class TDIBDataStreamer : public TDIBDataFormat {
  public:
    // Asked from the most recently registered to the first.
    void RegisterDecompressor(std::unique_ptr<TDIBDecompressor> decompressor);
    void SetDefaultCompressor(std::unique_ptr<TDIBCompressor> compressor);

    void ReadData(TCustomMemoryDIB& image, std::span<const std::uint8_t> value) const override;
    std::vector<std::uint8_t> WriteData(const TCustomMemoryDIB& image) const override;

  private:
    std::vector<std::unique_ptr<TDIBDecompressor>> decompressors_;
    std::unique_ptr<TDIBCompressor> defaultCompressor_;
};

// Reads the plain form into image; throws EDIBError when the value's length does not match its header.
void ReadPlainDIBData(TCustomMemoryDIB& image, std::span<const std::uint8_t> value);
std::vector<std::uint8_t> WritePlainDIBData(const TAbstractSuperDIB& image);

enum TDIBImageRetrieval { irInternal = 0, irLoadOnStart = 1, irLoadOnDemand = 2 };

// May rewrite the folder of an image file name (with its trailing separator) before loading.
using TDIBTranslateImagePathEvent = std::function<void(toolkit::TPersistent* Sender, std::string& ImagePath)>;

class TCustomDIBImageList;
class TDIBImageLink;

class TDIBImagesItem : public toolkit::TCollectionItem {
  public:
    explicit TDIBImagesItem(toolkit::TCollection& collection);
    ~TDIBImagesItem() override;

    std::string_view ClassName() const override { return "TDIBImagesItem"; }
    const toolkit::TPropertyTable& PublishedProperties() const override;
    void DefineProperties(toolkit::TFiler& filer) override;
    void Assign(const toolkit::TPersistent& source) override;

    TDIBImageRetrieval ImageRetrieval() const { return imageRetrieval_; }
    // Also decides whether the pixels are written to the stream (only when irInternal).
    void SetImageRetrieval(TDIBImageRetrieval value);
    TMemoryDIB* DIB() const { return dib_.get(); }
    // Copies value into this item's image.
    void SetDIB(const TMemoryDIB& value) { dib_->Assign(value); }
    std::string DisplayName() const override { return displayName_; }
    void SetDisplayName(const std::string& value) { displayName_ = value; }
    const std::string& TemplateFilename() const { return templateFilename_; }
    void SetTemplateFilename(const std::string& value) { templateFilename_ = value; }
    TDIBTranslateImagePathEvent OnTranslateImagePath;

    // Whether the pixels are available (stored, or loaded from their files).
    bool IsLoaded() const { return loaded_; }
    // Makes the pixels available: an internal item is loaded as it stands; others load their files.
    void EnsureLoaded();
    // Loads the image (and mask) files unless already loaded; with no image file name nothing happens.
    void LoadFromFiles();
    // The file name with its folder rewritten by OnTranslateImagePath.
    std::string TranslateImagePath(const std::string& fileName);

  private:
    std::unique_ptr<TMemoryDIB> dib_;
    TDIBImageRetrieval imageRetrieval_ = irInternal;
    std::string displayName_;
    std::string templateFilename_;
    bool loaded_ = false;
};

class TDIBImages : public toolkit::TCollection {
  public:
    explicit TDIBImages(TCustomDIBImageList& list);

    std::string_view ClassName() const override { return "TDIBImages"; }
    TDIBImagesItem& Items(int index) const { return static_cast<TDIBImagesItem&>(TCollection::Items(index)); }
    TDIBImagesItem& Add() { return static_cast<TDIBImagesItem&>(TCollection::Add()); }
    TCustomDIBImageList& ImageList() const { return list_; }

  protected:
    void Update(toolkit::TCollectionItem* item) override;
    void Notify(toolkit::TCollectionItem& item, toolkit::TCollectionNotification action) override;
    void ItemMoved(int from, int to) override;

  private:
    TCustomDIBImageList& list_;
};

class TCustomDIBImageList : public toolkit::TComponent {
  public:
    explicit TCustomDIBImageList(toolkit::TComponent* owner);
    ~TCustomDIBImageList() override;

    std::string_view ClassName() const override { return "TCustomDIBImageList"; }

    TDIBImages* DIBImages() const { return images_.get(); }
    void SetDIBImages(const TDIBImages& value) { images_->Assign(value); }
    // The list's single view, re-pointed at the image of that index; null when the index is out of
    // range or the image has no pixel memory. Loads the item's files when its retrieval asks for it.
    TMemoryDIB* GetImage(int index);
    // The same for a paint at a zoom: the picture drawn afresh for that zoom where one was given,
    // else null (a zoomed paint never shows a picture at the wrong size).
    TMemoryDIB* GetImage(int index, const toolkit::TZoom& zoom);
    // The picture of the item at index for a paint at percent: width × height pixels, bottom row first,
    // shown with the item's own settings (transparency and the rest). It goes when the item changes or
    // is deleted.
    void SetZoomedImage(int percent, int index, int width, int height, std::span<const std::uint32_t> pixels);
    bool IsIndexValid(int index) const { return index >= 0 && index < images_->Count(); }
    TDIBDataStreamer& DataStreamer() { return dataStreamer_; }
    // After the stream: loads every irLoadOnStart item.
    void Loaded() override;

  private:
    friend class TDIBImageLink;
    friend class TDIBImages;
    void AttachLink(TDIBImageLink& link);
    void DetachLink(TDIBImageLink& link);
    void NotifyLinks(const std::function<void(TDIBImageLink&)>& notice);
    void ItemChanged(int index);
    void ItemDeleted(int index);
    void ItemMoved(int from, int to);
    void ReleaseViewOf(int index);

    TDIBDataStreamer dataStreamer_;
    std::unique_ptr<TDIBImages> images_;
    std::unique_ptr<TMemoryDIB> view_;
    const TAbstractSuperDIB* viewSource_ = nullptr;
    // By zoom percent and item.
    std::map<std::pair<int, const TDIBImagesItem*>, std::unique_ptr<TMemoryDIB>> zoomed_;
    std::vector<TDIBImageLink*> links_;
};

class TDIBImageList : public TCustomDIBImageList {
  public:
    explicit TDIBImageList(toolkit::TComponent* owner) : TCustomDIBImageList(owner) {}
    std::string_view ClassName() const override { return "TDIBImageList"; }
    const toolkit::TPropertyTable& PublishedProperties() const override;
};

// A control's reference to one image: a list and an index (-1 = none). The list tells its links of
// changed, deleted and moved items; a link whose image changed calls its control back.
class TDIBImageLink : public toolkit::TPersistent {
  public:
    using ImageChangedHook = std::function<void(TDIBImageLink&)>;

    TDIBImageLink(toolkit::TComponent* control, ImageChangedHook imageChanged);
    ~TDIBImageLink() override;

    std::string_view ClassName() const override { return "TDIBImageLink"; }
    const toolkit::TPropertyTable& PublishedProperties() const override;
    void Assign(const toolkit::TPersistent& source) override;

    TCustomDIBImageList* DIBImageList() const { return list_; }
    void SetDIBImageList(TCustomDIBImageList* value);
    std::int32_t DIBIndex() const { return index_; }
    void SetDIBIndex(std::int32_t value);

    // The list's view showing this link's image, or null (no list, index out of range, no pixels).
    TMemoryDIB* GetImage() const;
    TMemoryDIB* GetImage(const toolkit::TZoom& zoom) const;
    bool IsIndexValid() const { return list_ != nullptr && list_->IsIndexValid(index_); }

    // Notices from the list.
    void Changed(int index);
    void Deleted(int index);
    void Moved(int from, int to);

  private:
    friend class TCustomDIBImageList;
    bool ControlDestroying() const { return control_ != nullptr && control_->Destroying(); }

    toolkit::TComponent* control_;
    ImageChangedHook imageChanged_;
    TCustomDIBImageList* list_ = nullptr;
    std::int32_t index_ = -1;
};

// Adds the image list's classes to a form reader's registry.
void RegisterDIBImageListClasses(toolkit::TClassRegistry& registry);

} // namespace dib

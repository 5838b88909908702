#include "DIB/cDIBImageList.h"

#include "toolkit/ClassRegistry.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormWriter.h"
#include "toolkit/PropertyTable.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace dib {

namespace {

constexpr std::string_view wrapSignature = "DIBCMP";
constexpr std::size_t wrapHeaderSize = 26; // signature, identifier, plain length
constexpr std::size_t plainHeaderSize = 4;

std::uint32_t readU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void appendU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    appendU16(out, value & 0xFFFF);
    appendU16(out, value >> 16);
}

bool isWrapped(std::span<const std::uint8_t> value) {
    return value.size() >= wrapHeaderSize &&
           std::equal(wrapSignature.begin(), wrapSignature.end(), value.begin());
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

} // namespace

// ---- "Data"

void ReadPlainDIBData(TCustomMemoryDIB& image, std::span<const std::uint8_t> value) {
    if (value.size() < plainHeaderSize)
        throw EDIBError("Image data of " + std::to_string(value.size()) + " bytes has no room for its size");
    const int width = value[0] | value[1] << 8;
    const int height = value[2] | value[3] << 8;
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width == 0 || height == 0)
        throw EDIBError("Image data gives the empty size " + size);
    const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t expected = plainHeaderSize + pixelCount * 4;
    if (value.size() != expected)
        throw EDIBError("Image data of " + std::to_string(value.size()) + " bytes is too " +
                        (value.size() < expected ? "short" : "long") + " for a " + size + " image (" +
                        std::to_string(expected) + " bytes)");
    image.SetSize(width, height);
    const std::span<const std::uint8_t> pixels = value.subspan(plainHeaderSize);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(image.Pixels(), pixels.data(), pixels.size());
    } else {
        for (std::size_t i = 0; i < pixelCount; ++i)
            image.Pixels()[i] = readU32(pixels, 4 * i);
    }
    image.Changed();
}

std::vector<std::uint8_t> WritePlainDIBData(const TAbstractSuperDIB& image) {
    const std::size_t pixelCount = static_cast<std::size_t>(image.Width()) * image.Height();
    std::vector<std::uint8_t> out;
    out.reserve(plainHeaderSize + pixelCount * 4);
    appendU16(out, static_cast<std::uint32_t>(image.Width()));
    appendU16(out, static_cast<std::uint32_t>(image.Height()));
    for (std::size_t i = 0; i < pixelCount; ++i)
        appendU32(out, image.Pixels()[i]);
    return out;
}

void TDIBDataStreamer::RegisterDecompressor(std::unique_ptr<TDIBDecompressor> decompressor) {
    decompressors_.push_back(std::move(decompressor));
}

void TDIBDataStreamer::SetDefaultCompressor(std::unique_ptr<TDIBCompressor> compressor) {
    defaultCompressor_ = std::move(compressor);
}

void TDIBDataStreamer::ReadData(TCustomMemoryDIB& image, std::span<const std::uint8_t> value) const {
    if (value.empty())
        return;
    if (!isWrapped(value)) {
        ReadPlainDIBData(image, value);
        return;
    }
    TDIBCodecId id{};
    std::copy_n(value.begin() + wrapSignature.size(), id.size(), id.begin());
    const auto plainLength = static_cast<std::int32_t>(readU32(value, wrapSignature.size() + id.size()));
    for (auto it = decompressors_.rbegin(); it != decompressors_.rend(); ++it) {
        if (!(*it)->Handles(id))
            continue;
        if (plainLength < 0)
            throw EDIBError("Compressed image data gives the negative length " + std::to_string(plainLength));
        std::vector<std::uint8_t> plain(static_cast<std::size_t>(plainLength));
        (*it)->Expand(image, id, plainLength, value.subspan(wrapHeaderSize), plain);
        ReadPlainDIBData(image, plain);
        return;
    }
    throw EDIBCompressError("Could not find a suitable decompressor.");
}

std::vector<std::uint8_t> TDIBDataStreamer::WriteData(const TCustomMemoryDIB& image) const {
    if (!image.WritePixelData() || image.Pixels() == nullptr)
        return {};
    std::vector<std::uint8_t> plain = WritePlainDIBData(image);
    if (defaultCompressor_ == nullptr)
        return plain;
    std::vector<std::uint8_t> wrapped(wrapSignature.begin(), wrapSignature.end());
    const TDIBCodecId id = defaultCompressor_->Identifier();
    wrapped.insert(wrapped.end(), id.begin(), id.end());
    appendU32(wrapped, static_cast<std::uint32_t>(plain.size()));
    if (defaultCompressor_->Compress(image, plain, wrapped) == 0)
        return plain;
    return wrapped;
}

// ---- TDIBImagesItem

TDIBImagesItem::TDIBImagesItem(toolkit::TCollection& collection)
    : TCollectionItem(collection), dib_(std::make_unique<TMemoryDIB>(1, 1)), displayName_(ClassName()) {
    if (auto* images = dynamic_cast<TDIBImages*>(&collection))
        dib_->SetDataFormat(&images->ImageList().DataStreamer());
    dib_->OnChange = [this](toolkit::TPersistent*) { Changed(false); };
}

TDIBImagesItem::~TDIBImagesItem() = default;

const toolkit::TPropertyTable& TDIBImagesItem::PublishedProperties() const {
    using C = TDIBImagesItem;
    static const toolkit::TPropertyTable table(
        &TCollectionItem::PublishedProperties(),
        {
            toolkit::EnumProperty("ImageRetrieval", &C::ImageRetrieval, &C::SetImageRetrieval,
                                  std::vector<std::string>{"irInternal", "irLoadOnStart", "irLoadOnDemand"},
                                  irInternal),
            toolkit::ObjectProperty("DIB", &C::DIB),
            toolkit::StringProperty("DisplayName", &C::DisplayName, &C::SetDisplayName,
                                    std::string("TDIBImagesItem")),
            toolkit::EventProperty("OnTranslateImagePath", &C::OnTranslateImagePath),
        });
    return table;
}

void TDIBImagesItem::DefineProperties(toolkit::TFiler& filer) {
    filer.DefineProperty(
        "TemplateFilename", [this](toolkit::TReader& reader) { templateFilename_ = reader.ReadString(); },
        [this](toolkit::TWriter& writer) { writer.WriteString(templateFilename_); },
        !templateFilename_.empty());
}

void TDIBImagesItem::Assign(const toolkit::TPersistent& source) {
    const auto* item = dynamic_cast<const TDIBImagesItem*>(&source);
    if (item == nullptr) {
        TCollectionItem::Assign(source);
        return;
    }
    SetImageRetrieval(item->imageRetrieval_);
    displayName_ = item->displayName_;
    templateFilename_ = item->templateFilename_;
    dib_->SetImageFilename(item->dib_->ImageFilename());
    dib_->SetMaskFilename(item->dib_->MaskFilename());
    dib_->Assign(*item->dib_);
}

void TDIBImagesItem::SetImageRetrieval(TDIBImageRetrieval value) {
    if (value != irInternal && value != irLoadOnStart && value != irLoadOnDemand)
        throw EDIBError("Unknown image retrieval " + std::to_string(static_cast<int>(value)));
    imageRetrieval_ = value;
    dib_->SetWritePixelData(value == irInternal);
}

void TDIBImagesItem::EnsureLoaded() {
    if (imageRetrieval_ == irInternal)
        loaded_ = true;
    else
        LoadFromFiles();
}

void TDIBImagesItem::LoadFromFiles() {
    if (loaded_ || dib_->ImageFilename().empty())
        return;
    dib_->BeginUpdate();
    try {
        dib_->LoadImageFromFile(TranslateImagePath(dib_->ImageFilename()));
        if (!dib_->MaskFilename().empty())
            dib_->LoadMaskFromFile(TranslateImagePath(dib_->MaskFilename()));
    } catch (...) {
        try {
            dib_->EndUpdate();
        } catch (...) {
            // The loading fault is the one to report.
        }
        throw;
    }
    // Marked before the change notice: a control that repaints on it looks the image up again.
    loaded_ = true;
    dib_->EndUpdate();
}

std::string TDIBImagesItem::TranslateImagePath(const std::string& fileName) {
    if (fileName.empty() || !OnTranslateImagePath)
        return fileName;
    const auto lastSeparator = std::find_if(fileName.rbegin(), fileName.rend(), isSeparator).base();
    std::string folder(fileName.begin(), lastSeparator);
    const std::string name(lastSeparator, fileName.end());
    OnTranslateImagePath(this, folder);
    if (folder.empty())
        return name;
    if (!isSeparator(folder.back()))
        folder += '/';
    return folder + name;
}

// ---- TDIBImages

TDIBImages::TDIBImages(TCustomDIBImageList& list)
    : TCollection(&list, [](TCollection& owner) { return std::make_unique<TDIBImagesItem>(owner); }),
      list_(list) {}

void TDIBImages::Update(toolkit::TCollectionItem* item) {
    if (item != nullptr) {
        list_.ItemChanged(item->Index());
        return;
    }
    for (int i = 0; i < Count(); ++i)
        list_.ItemChanged(i);
}

void TDIBImages::Notify(toolkit::TCollectionItem& item, toolkit::TCollectionNotification action) {
    if (action == toolkit::TCollectionNotification::cnDeleting)
        list_.ItemDeleted(item.Index());
}

void TDIBImages::ItemMoved(int from, int to) { list_.ItemMoved(from, to); }

// ---- TCustomDIBImageList

TCustomDIBImageList::TCustomDIBImageList(toolkit::TComponent* owner)
    : TComponent(owner), images_(std::make_unique<TDIBImages>(*this)), view_(TMemoryDIB::CreateEmptyView()) {}

TCustomDIBImageList::~TCustomDIBImageList() {
    for (TDIBImageLink* link : links_)
        link->list_ = nullptr;
    links_.clear();
}

TMemoryDIB* TCustomDIBImageList::GetImage(int index) {
    if (!IsIndexValid(index))
        return nullptr;
    TDIBImagesItem& item = images_->Items(index);
    if (item.DIB()->Pixels() == nullptr)
        return nullptr;
    item.EnsureLoaded();
    view_->MakeViewOf(*item.DIB());
    viewSource_ = item.DIB();
    return view_.get();
}

TMemoryDIB* TCustomDIBImageList::GetImage(int index, const toolkit::TZoom& zoom) {
    if (zoom.IsUnit())
        return GetImage(index);
    if (!IsIndexValid(index))
        return nullptr;
    const auto found = zoomed_.find({zoom.Percent(), &images_->Items(index)});
    if (found == zoomed_.end())
        return nullptr;
    view_->MakeViewOf(*found->second);
    viewSource_ = found->second.get();
    return view_.get();
}

void TCustomDIBImageList::SetZoomedImage(int percent, int index, int width, int height,
                                         std::span<const std::uint32_t> pixels) {
    if (!IsIndexValid(index) || width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw EDIBError("A zoomed image must match an item and hold width × height pixels");
    const TDIBImagesItem& item = images_->Items(index);
    auto image = std::make_unique<TMemoryDIB>(width, height);
    item.DIB()->AssignSettingsTo(*image);
    image->SetSize(width, height);
    std::copy(pixels.begin(), pixels.end(), image->Pixels());
    std::unique_ptr<TMemoryDIB>& slot = zoomed_[{percent, &item}];
    if (slot != nullptr && viewSource_ == slot.get()) {
        view_->ReleaseView();
        viewSource_ = nullptr;
    }
    slot = std::move(image);
}

void TCustomDIBImageList::Loaded() {
    TComponent::Loaded();
    for (int i = 0; i < images_->Count(); ++i)
        if (images_->Items(i).ImageRetrieval() == irLoadOnStart)
            images_->Items(i).LoadFromFiles();
}

void TCustomDIBImageList::AttachLink(TDIBImageLink& link) {
    links_.push_back(&link);
    for (int i = 0; i < images_->Count() && link.list_ == this; ++i)
        link.Changed(i);
}

void TCustomDIBImageList::DetachLink(TDIBImageLink& link) { std::erase(links_, &link); }

void TCustomDIBImageList::NotifyLinks(const std::function<void(TDIBImageLink&)>& notice) {
    // A copy: a control's hook may attach or detach links; a detached one hears nothing more.
    const std::vector<TDIBImageLink*> links = links_;
    for (TDIBImageLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            notice(*link);
}

void TCustomDIBImageList::ItemChanged(int index) {
    // The image may have new pixel memory: the view must not keep showing the old.
    ReleaseViewOf(index);
    NotifyLinks([index](TDIBImageLink& link) { link.Changed(index); });
}

void TCustomDIBImageList::ItemDeleted(int index) {
    ReleaseViewOf(index);
    NotifyLinks([index](TDIBImageLink& link) { link.Deleted(index); });
}

void TCustomDIBImageList::ItemMoved(int from, int to) {
    for (TDIBImageLink* link : links_)
        link->Moved(from, to);
}

void TCustomDIBImageList::ReleaseViewOf(int index) {
    if (!IsIndexValid(index))
        return;
    const TDIBImagesItem* item = &images_->Items(index);
    // The item's zoomed pictures show what it was: they go with it.
    std::erase_if(zoomed_, [&](const auto& entry) {
        if (entry.first.second != item)
            return false;
        if (viewSource_ == entry.second.get()) {
            view_->ReleaseView();
            viewSource_ = nullptr;
        }
        return true;
    });
    if (viewSource_ == item->DIB()) {
        view_->ReleaseView();
        viewSource_ = nullptr;
    }
}

const toolkit::TPropertyTable& TDIBImageList::PublishedProperties() const {
    static const toolkit::TPropertyTable table(
        &TComponent::PublishedProperties(),
        {toolkit::ObjectProperty("DIBImages", &TCustomDIBImageList::DIBImages)});
    return table;
}

// ---- TDIBImageLink

TDIBImageLink::TDIBImageLink(toolkit::TComponent* control, ImageChangedHook imageChanged)
    : control_(control), imageChanged_(std::move(imageChanged)) {}

TDIBImageLink::~TDIBImageLink() {
    if (list_ != nullptr)
        list_->DetachLink(*this);
}

const toolkit::TPropertyTable& TDIBImageLink::PublishedProperties() const {
    using C = TDIBImageLink;
    static const toolkit::TPropertyTable table(
        &TPersistent::PublishedProperties(),
        {
            toolkit::ComponentProperty("DIBImageList", &C::DIBImageList, &C::SetDIBImageList),
            toolkit::IntegerProperty("DIBIndex", &C::DIBIndex, &C::SetDIBIndex, -1),
        });
    return table;
}

void TDIBImageLink::Assign(const toolkit::TPersistent& source) {
    const auto* link = dynamic_cast<const TDIBImageLink*>(&source);
    if (link == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    SetDIBImageList(link->list_);
    SetDIBIndex(link->index_);
}

void TDIBImageLink::SetDIBImageList(TCustomDIBImageList* value) {
    if (value == list_)
        return;
    if (list_ != nullptr)
        list_->DetachLink(*this);
    list_ = value;
    if (list_ != nullptr)
        list_->AttachLink(*this);
}

void TDIBImageLink::SetDIBIndex(std::int32_t value) {
    if (value == index_)
        return;
    index_ = value;
    Changed(value);
}

TMemoryDIB* TDIBImageLink::GetImage() const { return list_ != nullptr ? list_->GetImage(index_) : nullptr; }

TMemoryDIB* TDIBImageLink::GetImage(const toolkit::TZoom& zoom) const {
    return list_ != nullptr ? list_->GetImage(index_, zoom) : nullptr;
}

void TDIBImageLink::Changed(int index) {
    if (index == index_ && !ControlDestroying() && imageChanged_)
        imageChanged_(*this);
}

void TDIBImageLink::Deleted(int index) {
    if (index_ < index || ControlDestroying())
        return;
    if (index_ > index) {
        --index_;
        return;
    }
    // The image goes: the control repaints without it.
    index_ = -1;
    if (imageChanged_)
        imageChanged_(*this);
}

void TDIBImageLink::Moved(int from, int to) {
    if (index_ == from)
        index_ = to;
    else if (from < to && index_ > from && index_ <= to)
        --index_;
    else if (from > to && index_ >= to && index_ < from)
        ++index_;
}

void RegisterDIBImageListClasses(toolkit::TClassRegistry& registry) {
    registry.Register<TDIBImageList>("TDIBImageList");
}

} // namespace dib

// PDF input through poppler's GLib interface, drawn with cairo.
#include "slides/pdf_read.h"

#include "common/files.h"

#include <cairo.h>
#include <dlfcn.h>
#include <poppler.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace quillon_tools {

struct PdfDocument::Handle {
    PopplerDocument *document = nullptr;
    std::vector<PopplerPage *> pages;
    ~Handle();
};

namespace {

// poppler, with cairo and GLib, loaded when the first PDF document is
// opened: decks of images do not pay for loading them.
#define QUILLON_PDF_FUNCTIONS(X) \
    X(cairo_clip) \
    X(cairo_create) \
    X(cairo_destroy) \
    X(cairo_format_stride_for_width) \
    X(cairo_image_surface_create_for_data) \
    X(cairo_paint) \
    X(cairo_rectangle) \
    X(cairo_scale) \
    X(cairo_set_source_rgb) \
    X(cairo_status) \
    X(cairo_status_to_string) \
    X(cairo_surface_destroy) \
    X(cairo_surface_flush) \
    X(cairo_translate) \
    X(g_canonicalize_filename) \
    X(g_error_free) \
    X(g_filename_to_uri) \
    X(g_free) \
    X(g_object_unref) \
    X(poppler_dest_free) \
    X(poppler_document_find_dest) \
    X(poppler_document_get_n_pages) \
    X(poppler_document_get_page) \
    X(poppler_document_new_from_file) \
    X(poppler_page_free_link_mapping) \
    X(poppler_page_get_link_mapping) \
    X(poppler_page_get_size) \
    X(poppler_page_render) \
    X(poppler_error_quark)

struct Libraries {
#define QUILLON_POINTER(f) decltype(&::f) f = nullptr;
    QUILLON_PDF_FUNCTIONS(QUILLON_POINTER)
#undef QUILLON_POINTER
    std::string error;  // why they could not be loaded
};

const Libraries &Load() {
    static const Libraries libraries = [] {
        Libraries l;
        void *poppler = dlopen(QUILLON_POPPLER_GLIB, RTLD_NOW | RTLD_LOCAL);
        if (!poppler) {
            const char *why = dlerror();
            l.error = std::string("poppler cannot be loaded: ") + (why ? why : QUILLON_POPPLER_GLIB);
            return l;
        }
        // cairo and GLib come with it, as its dependencies.
#define QUILLON_RESOLVE(f)                                                  \
        l.f = reinterpret_cast<decltype(l.f)>(dlsym(poppler, #f));          \
        if (!l.f) {                                                         \
            l.error = "poppler cannot be loaded: " #f " is missing";        \
            return l;                                                       \
        }
        QUILLON_PDF_FUNCTIONS(QUILLON_RESOLVE)
#undef QUILLON_RESOLVE
        return l;
    }();
    return libraries;
}

// poppler's cairo output shares its font caches between documents: pages are
// drawn one at a time, whichever thread and document they come from.
std::mutex renderMutex;

std::string FileUri(const std::string &path, std::string &error) {
    const Libraries &api = Load();
    GError *gerror = nullptr;
    char *absolute = api.g_canonicalize_filename(path.c_str(), nullptr);
    char *uri = api.g_filename_to_uri(absolute, nullptr, &gerror);
    api.g_free(absolute);
    if (!uri) {
        error = path + ": " + (gerror ? gerror->message : "not a usable file name");
        if (gerror) api.g_error_free(gerror);
        return "";
    }
    std::string out = uri;
    api.g_free(uri);
    return out;
}

// The page, from 0, a destination goes to; -1 when it names none.
int DestinationPage(PopplerDocument *document, const PopplerDest *dest) {
    const Libraries &api = Load();
    if (!dest) return -1;
    if (dest->type != POPPLER_DEST_NAMED) return dest->page_num - 1;
    PopplerDest *found =
        dest->named_dest ? api.poppler_document_find_dest(document, dest->named_dest) : nullptr;
    int page = found ? found->page_num - 1 : -1;
    if (found) api.poppler_dest_free(found);
    return page;
}

// The page a named action moves to from page; -1 for the viewer's other
// commands (GoBack, Find, FullScreen, ...).
int NamedActionPage(const char *name, int page, int pageCount) {
    const std::string n = name ? name : "";
    if (n == "NextPage") return page + 1;
    if (n == "PrevPage") return page - 1;
    if (n == "FirstPage") return 0;
    if (n == "LastPage") return pageCount - 1;
    return -1;
}

std::string Named(const char *kind, const char *name) {
    return std::string(kind) + (name ? std::string(" (") + name + ")" : "");
}

// What a link on page of the document does: its kind, and the address,
// page or words for it.
void Describe(const PopplerAction *action, PopplerDocument *document, int page, int pageCount,
              PdfLink &link) {
    link.kind = PdfLink::Kind::Other;
    switch (action->type) {
    case POPPLER_ACTION_URI:
        link.uri = action->uri.uri ? action->uri.uri : "";
        link.kind = PdfLink::Kind::Uri;
        return;
    case POPPLER_ACTION_GOTO_DEST:
        link.page = DestinationPage(document, action->goto_dest.dest);
        break;
    case POPPLER_ACTION_NAMED:
        link.page = NamedActionPage(action->named.named_dest, page, pageCount);
        if (link.page < 0) {
            link.what = Named("a link that runs a command of the viewer", action->named.named_dest);
            return;
        }
        break;
    case POPPLER_ACTION_GOTO_REMOTE:
        link.what = Named("a link to another file", action->goto_remote.file_name);
        return;
    case POPPLER_ACTION_LAUNCH:
        link.what = Named("a link that runs a program", action->launch.file_name);
        return;
    case POPPLER_ACTION_JAVASCRIPT:
        link.what = "a link that runs a script";
        return;
    default:
        link.what = "a link of a kind a movie cannot hold";
        return;
    }
    if (link.page < 0 || link.page >= pageCount) {
        link.page = -1;
        link.what = "a link to a page the document does not have";
        return;
    }
    link.kind = PdfLink::Kind::Internal;
}

}  // namespace

PdfDocument::Handle::~Handle() {
    const Libraries &api = Load();
    for (PopplerPage *p : pages)
        if (p) api.g_object_unref(p);
    if (document) api.g_object_unref(document);
}

PdfDocument::PdfDocument(std::unique_ptr<Handle> handle, int pages)
    : handle_(std::move(handle)), pageCount_(pages) {}

PdfDocument::~PdfDocument() = default;

std::unique_ptr<PdfDocument> PdfDocument::Open(const std::string &path, std::string &error) {
    off_t size;
    if (!CheckRegularFile(path, size, error)) return nullptr;
    if (size == 0) {
        error = path + ": the PDF document is empty";
        return nullptr;
    }
    const Libraries &api = Load();
    if (!api.error.empty()) {
        error = path + ": PDF documents cannot be read: " + api.error;
        return nullptr;
    }
    std::string uri = FileUri(path, error);
    if (uri.empty()) return nullptr;
    GError *gerror = nullptr;
    PopplerDocument *document = api.poppler_document_new_from_file(uri.c_str(), nullptr, &gerror);
    if (!document) {
        bool encrypted = gerror && gerror->domain == api.poppler_error_quark() &&
                         gerror->code == POPPLER_ERROR_ENCRYPTED;
        if (encrypted)
            error = path + ": the PDF document is encrypted and needs a password";
        else
            error = path + ": damaged PDF document" +
                    (gerror ? std::string(" (") + gerror->message + ")" : std::string());
        if (gerror) api.g_error_free(gerror);
        return nullptr;
    }
    auto handle = std::make_unique<Handle>();
    handle->document = document;
    int pages = api.poppler_document_get_n_pages(document);
    if (pages <= 0) {
        error = path + ": the PDF document has no pages";
        return nullptr;
    }
    handle->pages.assign(static_cast<size_t>(pages), nullptr);
    for (int i = 0; i < pages; ++i) {
        PopplerPage *page = api.poppler_document_get_page(document, i);
        double w = 0, h = 0;
        if (page) api.poppler_page_get_size(page, &w, &h);
        // A page box of any size is drawn at the stage's; one less than a
        // point, or not a number, is no page.
        if (!page || !(w >= 1 && h >= 1 && std::isfinite(w) && std::isfinite(h))) {
            if (page) api.g_object_unref(page);
            error = path + ": page " + std::to_string(i + 1) + " of the PDF document is damaged";
            return nullptr;
        }
        handle->pages[static_cast<size_t>(i)] = page;
    }
    return std::unique_ptr<PdfDocument>(new PdfDocument(std::move(handle), pages));
}

void PdfDocument::PageSize(int page, double &width, double &height) const {
    const Libraries &api = Load();
    api.poppler_page_get_size(handle_->pages[static_cast<size_t>(page)], &width, &height);
}

std::vector<PdfLink> PdfDocument::Links(int page) const {
    const Libraries &api = Load();
    PopplerPage *p = handle_->pages[static_cast<size_t>(page)];
    double width, height;
    api.poppler_page_get_size(p, &width, &height);
    std::vector<PdfLink> links;
    GList *mapping = api.poppler_page_get_link_mapping(p);
    for (GList *item = mapping; item; item = item->next) {
        auto *m = static_cast<PopplerLinkMapping *>(item->data);
        // A link without an action does nothing when clicked.
        if (!m->action || m->action->type == POPPLER_ACTION_NONE) continue;
        PdfLink link;
        Describe(m->action, handle_->document, page, pageCount_, link);
        // Link areas count from the bottom-left corner, with y upwards.
        link.x1 = std::min(m->area.x1, m->area.x2);
        link.x2 = std::max(m->area.x1, m->area.x2);
        link.y1 = height - std::max(m->area.y1, m->area.y2);
        link.y2 = height - std::min(m->area.y1, m->area.y2);
        links.push_back(link);
    }
    api.poppler_page_free_link_mapping(mapping);
    // The page lists its annotations last to first.
    std::reverse(links.begin(), links.end());
    return links;
}

bool PdfDocument::Render(int page, int width, int height, Rgb background, RgbaCanvas &picture,
                         std::vector<uint8_t> &scratch, std::string &error) const {
    const Libraries &api = Load();
    PopplerPage *p = handle_->pages[static_cast<size_t>(page)];
    int stride = api.cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
    scratch.resize(static_cast<size_t>(stride) * static_cast<size_t>(height));
    cairo_surface_t *surface = api.cairo_image_surface_create_for_data(
        scratch.data(), CAIRO_FORMAT_RGB24, width, height, stride);
    cairo_t *cr = api.cairo_create(surface);
    api.cairo_set_source_rgb(cr, background.r / 255.0, background.g / 255.0, background.b / 255.0);
    api.cairo_paint(cr);
    double pw, ph;
    api.poppler_page_get_size(p, &pw, &ph);
    PageFit fit = FitPage(pw, ph, width, height);
    api.cairo_translate(cr, fit.left, fit.top);
    api.cairo_scale(cr, static_cast<double>(fit.width) / pw, static_cast<double>(fit.height) / ph);
    api.cairo_rectangle(cr, 0, 0, pw, ph);
    api.cairo_clip(cr);
    api.cairo_set_source_rgb(cr, 1, 1, 1);
    api.cairo_paint(cr);
    {
        std::lock_guard<std::mutex> lock(renderMutex);
        api.poppler_page_render(p, cr);
    }
    cairo_status_t status = api.cairo_status(cr);
    api.cairo_destroy(cr);
    api.cairo_surface_flush(surface);
    api.cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("page ") + std::to_string(page + 1) + " cannot be drawn: " +
                api.cairo_status_to_string(status);
        return false;
    }
    // cairo's RGB24 pixels are 32-bit words 0x00RRGGBB in the machine's order.
    picture.Resize(width, height);
    Rgba *out = picture.Pixels().data();
    for (int y = 0; y < height; ++y) {
        const uint32_t *row = reinterpret_cast<const uint32_t *>(scratch.data() + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x, ++out) {
            uint32_t v = row[x];
            *out = Rgba{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v), 255};
        }
    }
    return true;
}

void PageStage(double pageWidth, double pageHeight, int width, int maxSide, long maxPixels,
               int &stageWidth, int &stageHeight) {
    double w = width, h = width * pageHeight / pageWidth;
    double shrink = std::min({1.0, maxSide / w, maxSide / h, std::sqrt(maxPixels / (w * h))});
    auto side = [maxSide](double v) {
        return static_cast<int>(std::clamp(std::lround(v), 1L, static_cast<long>(maxSide)));
    };
    stageWidth = side(w * shrink);
    stageHeight = side(h * shrink);
    while (static_cast<long>(stageWidth) * stageHeight > maxPixels)
        --(stageWidth > stageHeight ? stageWidth : stageHeight);
}

bool LooksLikePdf(const std::string &path) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char head[1024];
    size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    for (size_t i = 0; i + 5 <= n; ++i)
        if (std::memcmp(head + i, "%PDF-", 5) == 0) return true;
    return false;
}

PageFit FitPage(double pageWidth, double pageHeight, int width, int height) {
    PageFit fit;
    fit.scale = std::min(width / pageWidth, height / pageHeight);
    fit.width = std::min(width, std::max(1, static_cast<int>(std::lround(pageWidth * fit.scale))));
    fit.height = std::min(height, std::max(1, static_cast<int>(std::lround(pageHeight * fit.scale))));
    fit.left = (width - fit.width) / 2;
    fit.top = (height - fit.height) / 2;
    return fit;
}

}  // namespace quillon_tools

#include "drawing_window/raster_project.h"

#include "machine_link/machine_context.h"
#include "settings/config_dialog.h"
#include "settings/settings.h"

namespace vellisk {

bool RasterProject::LoadBMP(const std::string& name, RasterPicture picture, Settings& settings, MachineContext& ctx,
                            ConfigDialog* dialog) {
    if (picture.Empty() ||
        picture.Red.size() != static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height))
        return false;
    Name = name;
    const double r = static_cast<double>(picture.Width) / static_cast<double>(picture.Height);
    {
        const bool old = dialog ? dialog->InAspectChange : false;
        if (dialog) dialog->InAspectChange = true;
        settings.SetNumber("WysokoscObrazu", settings.Number("SzerokoscObrazu") / r);
        if (dialog) dialog->InAspectChange = old;
    }
    ProjectWidth = settings.Number("SzerokoscObrazu");
    ProjectHeight = settings.Number("WysokoscObrazu");
    ctx.BmpPixelHeight = picture.Height;
    ctx.BmpPixelWidth = picture.Width;
    Picture = std::move(picture);
    return true;
}

}  // namespace vellisk

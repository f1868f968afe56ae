#include "platform/gstreamer/GstVideoDevice.h"

#include <linux/videodev2.h>

#include "platform/ConnectorType.h"
#include "platform/gstreamer/GstInit.h"
#include "platform/gstreamer/V4l2ConnectorTable.h"
#include "platform/gstreamer/V4l2Device.h"

namespace karone {

GstVideoDevice::GstVideoDevice(GstSource source) : source_(std::move(source)) {
  gst_video_info_init(&sampleInfo_);
}

GstVideoDevice::~GstVideoDevice() { stop(); }

void GstVideoDevice::fail(const std::string& why) {
  std::lock_guard lock(mutex_);
  if (error_.empty()) error_ = why;
  changed_.notify_all();
}

std::string GstVideoDevice::lastError() const {
  std::lock_guard lock(mutex_);
  return error_;
}

std::optional<FrameFormat> GstVideoDevice::format() const {
  std::lock_guard lock(mutex_);
  if (pipeline_ == nullptr) return std::nullopt;
  return format_;
}

GstElement* GstVideoDevice::makeElement(const char* factory, const char* name) {
  GstElement* element = gst_element_factory_make(factory, name);
  if (element == nullptr) fail(std::string("GStreamer element \"") + factory + "\" is not installed");
  return element;
}

StartResult GstVideoDevice::start(FrameCallback onFrame, PreviewSink* preview) {
  if (pipeline_ != nullptr) {
    fail("the device is already running");
    return StartResult::Failed;
  }
  onFrame_ = std::move(onFrame);
  preview_ = preview;
  StartResult result = startPipeline();
  if (result != StartResult::Started) {
    onFrame_ = nullptr;
    preview_ = nullptr;
  }
  return result;
}

StartResult GstVideoDevice::startPipeline() {
  {
    std::lock_guard lock(mutex_);
    error_.clear();
    format_.reset();
  }
  if (!ensureGstreamer()) {
    fail("GStreamer cannot be initialised");
    return StartResult::Failed;
  }
  GstElementFactory* sinkFactory = gst_element_factory_find("appsink");
  if (sinkFactory == nullptr) {
    fail("GStreamer element \"appsink\" is not installed");
    return StartResult::GrabberMissing;
  }
  gst_object_unref(sinkFactory);

  GstElement* pipeline = gst_pipeline_new("karone-capture");
  std::vector<GstElement*> chain;
  bool complete = true;
  auto add = [&](const char* factory, const char* name) {
    GstElement* e = makeElement(factory, name);
    if (e == nullptr) {
      complete = false;
      return static_cast<GstElement*>(nullptr);
    }
    chain.push_back(e);
    return e;
  };

  GstElement* src = nullptr;
  GstElement* balance = nullptr;
  if (isTestPattern()) {
    const TestPatternOptions& tp = source_.testPattern;
    src = add("videotestsrc", "source");
    if (src != nullptr) {
      g_object_set(src, "is-live", TRUE, "horizontal-speed", 4, nullptr);
      // Colour bars sliding sideways; the deterministic ones without the
      // noise field of the full pattern.
      gst_util_set_object_arg(G_OBJECT(src), "pattern", tp.deterministic ? "smpte75" : "smpte");
    }
    if (GstElement* size = add("capsfilter", "size")) {
      GstCaps* caps = gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, tp.width, "height",
                                          G_TYPE_INT, tp.height, "framerate", GST_TYPE_FRACTION,
                                          tp.framesPerSecond, 1, nullptr);
      g_object_set(size, "caps", caps, nullptr);
      gst_caps_unref(caps);
    }
    if (!tp.deterministic) {
      if (GstElement* clock = add("clockoverlay", "clock")) {
        g_object_set(clock, "time-format", "%Y/%m/%d %H:%M:%S", "shaded-background", TRUE,
                     "font-desc", "Sans Bold 20", nullptr);
        gst_util_set_object_arg(G_OBJECT(clock), "halignment", "left");
        gst_util_set_object_arg(G_OBJECT(clock), "valignment", "bottom");
      }
    }
    balance = add("videobalance", "balance");
  } else {
    src = add("v4l2src", "source");
    if (src != nullptr) g_object_set(src, "device", source_.devicePath.c_str(), nullptr);
  }
  add("videoconvert", "convert");
  if (GstElement* bgr = add("capsfilter", "bgr")) {
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", nullptr);
    g_object_set(bgr, "caps", caps, nullptr);
    gst_caps_unref(caps);
  }
  GstElement* sink = add("appsink", "grabber");

  for (GstElement* e : chain) gst_bin_add(GST_BIN(pipeline), e);
  if (!complete) {
    gst_object_unref(pipeline);
    return StartResult::Failed;
  }
  for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
    if (!gst_element_link(chain[i], chain[i + 1])) {
      fail(std::string("cannot link ") + GST_ELEMENT_NAME(chain[i]) + " to " +
           GST_ELEMENT_NAME(chain[i + 1]));
      gst_object_unref(pipeline);
      return StartResult::Failed;
    }
  }

  // The source paces the frames; the sink hands each over at once and keeps
  // at most one waiting.
  g_object_set(sink, "sync", FALSE, "max-buffers", 1, "drop", TRUE, "enable-last-sample", FALSE,
               nullptr);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = &GstVideoDevice::onNewSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
  GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
  gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &GstVideoDevice::onSinkEvent,
                    this, nullptr);
  gst_object_unref(sinkPad);
  GstBus* bus = gst_element_get_bus(pipeline);
  gst_bus_set_sync_handler(bus, &GstVideoDevice::onBusMessage, this, nullptr);
  gst_object_unref(bus);

  pipeline_ = pipeline;
  sourceElement_ = src;
  balanceElement_ = balance;

  if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    fail("the capture pipeline does not start");
    stopPipeline();
    return StartResult::Failed;
  }
  {
    std::unique_lock lock(mutex_);
    const bool ready = changed_.wait_for(lock, source_.startTimeout,
                                         [&] { return format_.has_value() || !error_.empty(); });
    if (!ready) error_ = "no picture from the device within the time allowed";
    if (!format_ || !error_.empty()) {
      lock.unlock();
      stopPipeline();
      return StartResult::Failed;
    }
  }

  if (isTestPattern()) {
    // videobalance is neutral at 0 on its -1000..1000 scale.
    procAmp_ = GstColorBalanceProcAmp::create(balanceElement_, {0, 0});
  } else {
    std::array<std::optional<int>, 2> defaults;
    if (auto node = v4l2::V4l2Device::open(source_.devicePath, nullptr)) {
      defaults = {node->controlDefault(V4L2_CID_BRIGHTNESS), node->controlDefault(V4L2_CID_CONTRAST)};
    }
    procAmp_ = GstColorBalanceProcAmp::create(sourceElement_, defaults);
  }
  return StartResult::Started;
}

void GstVideoDevice::stop() {
  stopPipeline();
  onFrame_ = nullptr;
  preview_ = nullptr;
}

void GstVideoDevice::stopPipeline() {
  if (pipeline_ == nullptr) return;
  procAmp_.reset();
  // Returns when the streaming threads have left the elements.
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  GstBus* bus = gst_element_get_bus(pipeline_);
  gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
  gst_object_unref(bus);
  {
    std::lock_guard lock(mutex_);
    gst_object_unref(pipeline_);
    pipeline_ = nullptr;
    format_.reset();
  }
  sourceElement_ = nullptr;
  balanceElement_ = nullptr;
  gst_caps_replace(&sampleCaps_, nullptr);
}

GstPadProbeReturn GstVideoDevice::onSinkEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<GstVideoDevice*>(data);
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
  GstCaps* caps = nullptr;
  gst_event_parse_caps(event, &caps);
  GstVideoInfo vinfo;
  if (caps != nullptr && gst_video_info_from_caps(&vinfo, caps)) {
    std::lock_guard lock(self->mutex_);
    self->format_ = FrameFormat{GST_VIDEO_INFO_WIDTH(&vinfo), GST_VIDEO_INFO_HEIGHT(&vinfo), 24};
    self->changed_.notify_all();
  }
  return GST_PAD_PROBE_OK;
}

GstFlowReturn GstVideoDevice::onNewSample(GstAppSink* sink, gpointer data) {
  auto* self = static_cast<GstVideoDevice*>(data);
  GstSample* sample = gst_app_sink_pull_sample(sink);
  if (sample == nullptr) return GST_FLOW_OK;
  GstCaps* caps = gst_sample_get_caps(sample);
  if (caps != nullptr && caps != self->sampleCaps_) {
    if (gst_video_info_from_caps(&self->sampleInfo_, caps)) {
      gst_caps_replace(&self->sampleCaps_, caps);
    } else {
      gst_caps_replace(&self->sampleCaps_, nullptr);
    }
  }
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  GstVideoFrame frame;
  if (self->sampleCaps_ != nullptr && buffer != nullptr &&
      gst_video_frame_map(&frame, &self->sampleInfo_, buffer, GST_MAP_READ)) {
    FrameView view{static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                   GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                   GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0)};
    if (self->onFrame_) self->onFrame_(view);
    if (self->preview_ != nullptr) self->preview_->presentFrame(view);
    gst_video_frame_unmap(&frame);
  }
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}

GstBusSyncReply GstVideoDevice::onBusMessage(GstBus*, GstMessage* message, gpointer data) {
  auto* self = static_cast<GstVideoDevice*>(data);
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    std::string text = std::string(GST_OBJECT_NAME(GST_MESSAGE_SRC(message))) + ": " +
                       (error != nullptr ? error->message : "unknown error");
    g_clear_error(&error);
    g_free(debug);
    self->fail(text);
  }
  // A dropped message is the handler's to release.
  gst_message_unref(message);
  return GST_BUS_DROP;
}

CrossbarInfo GstVideoDevice::crossbar() {
  CrossbarInfo info;
  if (isTestPattern()) return info;
  std::string why;
  auto node = v4l2::V4l2Device::open(source_.devicePath, &why);
  std::optional<std::vector<v4l2::Input>> inputs;
  if (node) inputs = node->inputs(&why);
  if (!inputs) {
    fail(why);
    info.status = CrossbarInfo::Status::Failed;
    return info;
  }
  // One input leaves nothing to choose.
  if (inputs->size() < 2) return info;
  info.status = CrossbarInfo::Status::Present;
  for (const auto& input : *inputs) {
    info.inputs.push_back(v4l2::connectorTypeForInput(input.type, input.name));
  }
  info.outputs.push_back(connector::kVideoDecoder);
  return info;
}

bool GstVideoDevice::route(int outputIndex, int inputIndex) {
  if (isTestPattern() || outputIndex != 0 || inputIndex < 0) return false;
  std::string why;
  auto node = v4l2::V4l2Device::open(source_.devicePath, &why);
  if (!node) {
    fail(why);
    return false;
  }
  bool busy = false;
  if (node->selectInput(static_cast<std::uint32_t>(inputIndex), &why, &busy)) return true;
  if (!busy || pipeline_ == nullptr) {
    fail(why);
    return false;
  }
  // Drivers that refuse while streaming take the input between two runs.
  stopPipeline();
  const bool selected = node->selectInput(static_cast<std::uint32_t>(inputIndex), &why, &busy);
  node.reset();
  if (startPipeline() != StartResult::Started) return false;
  if (!selected) fail(why);
  return selected;
}

}  // namespace karone
